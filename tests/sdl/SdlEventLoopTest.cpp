#include "platform/sdl/SdlEventLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <ctime>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "SdlTestEnv.h"
#include "support/TestSupport.h"

namespace trv {
namespace {

// Ends a loop that would otherwise hang a failing test.
TimerId Watchdog(SdlEventLoop& loop, std::uint32_t ms = 5000) {
  return loop.SetTimer(ms, false, [&loop] {
    ADD_FAILURE() << "watchdog fired";
    loop.Terminate(99);
  });
}

TEST(SdlEventLoop, TimersFireInTimeOrderAndTiesInSchedulingOrder) {
  SdlEventLoop loop;
  std::vector<std::string> fired;
  loop.SetTimer(60, false, [&] { fired.push_back("60"); });
  loop.SetTimer(20, false, [&] { fired.push_back("20"); });
  loop.SetTimer(40, false, [&] { fired.push_back("40a"); });
  loop.SetTimer(40, false, [&] { fired.push_back("40b"); });
  loop.SetTimer(80, false, [&] { loop.Terminate(3); });
  Watchdog(loop);
  const std::uint64_t start = loop.NowMs();
  EXPECT_EQ(loop.Run(), 3);
  EXPECT_EQ(fired, (std::vector<std::string>{"20", "40a", "40b", "60"}));
  EXPECT_GE(loop.NowMs() - start, 80u);  // not fired early
}

TEST(SdlEventLoop, PeriodicTimerKillsItselfAndOthersFromInside) {
  SdlEventLoop loop;
  int ticks = 0, victimCalls = 0;
  TimerId victim = loop.SetTimer(200, false, [&] { ++victimCalls; });
  TimerId periodic = 0;
  periodic = loop.SetTimer(10, true, [&] {
    if (++ticks == 1) loop.KillTimer(victim);
    if (ticks == 5) loop.KillTimer(periodic);
  });
  loop.SetTimer(300, false, [&] { loop.Terminate(); });
  Watchdog(loop);
  loop.Run();
  EXPECT_EQ(ticks, 5);
  EXPECT_EQ(victimCalls, 0);
  EXPECT_FALSE(loop.TimerActive(periodic));
  EXPECT_FALSE(loop.TimerActive(victim));
}

TEST(SdlEventLoop, ProcessMessagesFiresWhatIsDueOnceAndReturns) {
  SdlEventLoop loop;
  int oneShot = 0, periodic = 0;
  loop.SetTimer(200, false, [&] { ++oneShot; });
  TimerId p = loop.SetTimer(50, true, [&] { ++periodic; });
  TimerId later = loop.SetTimer(10000, false, [] {});
  loop.ProcessMessages();
  EXPECT_EQ(oneShot + periodic, 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(260));
  // A blocked loop gets one call of a periodic timer, not a burst.
  loop.ProcessMessages();
  EXPECT_EQ(oneShot, 1);
  EXPECT_EQ(periodic, 1);
  EXPECT_TRUE(loop.TimerActive(p));
  EXPECT_TRUE(loop.TimerActive(later));
}

TEST(SdlEventLoop, PostFromAnotherThreadWakesAWaitingLoop) {
  SdlEventLoop loop;
  Watchdog(loop);
  std::atomic<bool> ranOnLoop{false};
  std::thread poster([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    loop.Post([&] {
      ranOnLoop = loop.OnLoopThread();
      loop.Terminate(5);
    });
  });
  EXPECT_EQ(loop.Run(), 5);
  poster.join();
  EXPECT_TRUE(ranOnLoop);
}

TEST(SdlEventLoop, PostAndWaitFromSeveralThreads) {
  SdlEventLoop loop;
  Watchdog(loop, 20000);
  int counter = 0;  // touched only on the loop thread
  std::atomic<int> accepted{0};
  std::vector<std::thread> workers;
  for (int t = 0; t < 4; ++t) {
    workers.emplace_back([&] {
      for (int i = 0; i < 50; ++i)
        if (loop.PostAndWait([&] { ++counter; })) ++accepted;
    });
  }
  std::thread closer([&] {
    for (auto& w : workers) w.join();
    loop.Terminate();
  });
  loop.Run();
  closer.join();
  EXPECT_EQ(accepted.load(), 200);
  EXPECT_EQ(counter, 200);
}

TEST(SdlEventLoop, PostAndWaitIsReleasedWhenTheLoopEnds) {
  SdlEventLoop loop;
  // On the loop thread it runs at once.
  bool inline_ = false;
  EXPECT_TRUE(loop.PostAndWait([&] { inline_ = true; }));
  EXPECT_TRUE(inline_);

  // A worker waits on a loop that nobody runs; terminating releases it
  // without running its task.
  std::atomic<bool> ran{false};
  std::atomic<int> result{-1};
  std::thread worker([&] { result = loop.PostAndWait([&] { ran = true; }) ? 1 : 0; });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(result.load(), -1);  // still waiting
  std::thread([&] { loop.Terminate(); }).join();
  worker.join();
  EXPECT_EQ(result.load(), 0);
  EXPECT_FALSE(ran);

  // After the end nothing waits at all, from any thread.
  std::thread late([&] { result = loop.PostAndWait([&] { ran = true; }) ? 1 : 0; });
  late.join();
  EXPECT_EQ(result.load(), 0);
  EXPECT_FALSE(loop.PostAndWait([&] { ran = true; }));
  EXPECT_FALSE(ran);
}

// The high-resolution timer thread of a real loop: 1 ms ticks reach the waiting
// loop thread, and the timer may be destroyed from inside its own tick.
TEST(SdlEventLoop, TimerThreadTicksWakeTheLoopAndEndFromInside) {
  SdlEventLoop loop;
  Watchdog(loop);
  int ticks = 0;
  bool foreign = false;
  std::unique_ptr<TimerThread> thread;
  thread = loop.CreateTimerThread([&] {
    foreign |= !loop.OnLoopThread();
    if (++ticks < 20) return;
    thread.reset();
    loop.SetTimer(50, false, [&] { loop.Terminate(7); });  // room for a stray tick
  });
  const std::uint64_t start = loop.NowMs();
  thread->Resume(1);
  EXPECT_EQ(loop.Run(), 7);
  EXPECT_EQ(ticks, 20);
  EXPECT_FALSE(foreign);
  EXPECT_GE(loop.NowMs() - start, 20u);  // each tick slept its millisecond first
}

TEST(SdlEventLoop, NestedModalLoopsKeepTimersAndPostsFlowing) {
  SdlEventLoop loop;
  Watchdog(loop);
  std::vector<std::string> log;
  std::thread poster;
  loop.SetTimer(10, false, [&] {
    log.push_back("open");
    int ticks = 0;
    bool posted = false;
    TimerId t = loop.SetTimer(10, true, [&] { ++ticks; });
    poster = std::thread([&] { loop.Post([&] { posted = true; }); });
    const bool finished = loop.RunModal([&] { return ticks >= 3 && posted; });
    loop.KillTimer(t);
    log.push_back(finished ? "closed" : "ended");
    log.push_back(ticks >= 3 ? "ticked" : "stalled");
    loop.Terminate();
  });
  loop.Run();
  poster.join();
  EXPECT_EQ(log, (std::vector<std::string>{"open", "closed", "ticked"}));
}

TEST(SdlEventLoop, AThrowingTimerInsideAModalLoopIsDropped) {
  SdlEventLoop loop;
  Watchdog(loop);
  test::LogCapture log;
  int depthInside = -1;
  bool nextFired = false, finished = false;
  loop.SetTimer(10, false, [&] {
    loop.SetTimer(10, false, [&] {
      depthInside = loop.ModalDepth();
      throw std::runtime_error("timer failed");
    });
    loop.SetTimer(30, false, [&] { nextFired = true; });
    finished = loop.RunModal([&] { return nextFired; });
    loop.Terminate();
  });
  loop.Run();
  EXPECT_TRUE(finished);
  EXPECT_EQ(depthInside, 1);
  EXPECT_EQ(loop.ModalDepth(), 0);
  EXPECT_TRUE(log.Contains("timer failed")) << log.All();
}

TEST(SdlEventLoop, TerminateEndsEveryLevel) {
  SdlEventLoop loop;
  Watchdog(loop);
  std::vector<bool> results;
  loop.SetTimer(10, false, [&] {
    loop.SetTimer(10, false, [&] {
      // Two levels deep; another thread ends everything.
      std::thread([&] { loop.Terminate(4); }).detach();
      results.push_back(loop.RunModal([] { return false; }));
    });
    results.push_back(loop.RunModal([] { return false; }));
  });
  EXPECT_EQ(loop.Run(), 4);
  EXPECT_EQ(results, (std::vector<bool>{false, false}));
  EXPECT_TRUE(loop.Terminated());
  EXPECT_FALSE(loop.RunModal([] { return false; }));
}

TEST(SdlEventLoop, ClockIsMonotonicAndLocal) {
  SdlEventLoop loop;
  const std::uint64_t a = loop.NowMs();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  const std::uint64_t b = loop.NowMs();
  EXPECT_GE(b - a, 15u);
  EXPECT_LT(b - a, 2000u);

  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  const LocalTime lt = loop.GetClock().Now();
  EXPECT_EQ(lt.year, tm.tm_year + 1900);
  EXPECT_EQ(lt.month, tm.tm_mon + 1);
  EXPECT_EQ(lt.dayOfWeek, tm.tm_wday);
  EXPECT_GE(lt.millisecond, 0);
  EXPECT_LT(lt.millisecond, 1000);
  EXPECT_LE(std::abs((lt.hour * 60 + lt.minute) - (tm.tm_hour * 60 + tm.tm_min)), 1);
}

}  // namespace
}  // namespace trv
