#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

#include "platform/headless/HeadlessEventLoop.h"
#include "support/TestSupport.h"

namespace trv {
namespace {

TEST(HeadlessEventLoop, TimersFireInTimeOrderAtTheirDueTimes) {
  HeadlessEventLoop loop;
  std::vector<std::pair<std::string, std::uint64_t>> fired;
  auto note = [&](const char* name) { return [&, name] { fired.emplace_back(name, loop.NowMs()); }; };
  loop.SetTimer(50, false, note("b"));
  loop.SetTimer(20, false, note("a"));
  TimerId periodic = loop.SetTimer(30, true, note("p"));
  loop.SetTimer(50, false, note("c"));  // same due time as b: set later, fires later
  loop.Advance(100);
  EXPECT_EQ(fired, (std::vector<std::pair<std::string, std::uint64_t>>{
                       {"a", 20}, {"p", 30}, {"b", 50}, {"c", 50}, {"p", 60}, {"p", 90}}));
  EXPECT_EQ(loop.NowMs(), 100u);
  EXPECT_TRUE(loop.TimerActive(periodic));
  loop.KillTimer(periodic);
  fired.clear();
  loop.Advance(1000);
  EXPECT_TRUE(fired.empty());
}

TEST(HeadlessEventLoop, TimersMayKillThemselvesAndSetNewOnes) {
  HeadlessEventLoop loop;
  int ticks = 0;
  TimerId id = 0;
  std::vector<std::uint64_t> chained;
  id = loop.SetTimer(10, true, [&] {
    if (++ticks == 3) {
      loop.KillTimer(id);
      loop.SetTimer(25, false, [&] { chained.push_back(loop.NowMs()); });
    }
  });
  loop.Advance(200);
  EXPECT_EQ(ticks, 3);
  EXPECT_EQ(chained, (std::vector<std::uint64_t>{55}));
  // Intervals below the system minimum are raised to it.
  std::uint64_t at = 0;
  loop.SetTimer(0, false, [&] { at = loop.NowMs(); });
  loop.Advance(100);
  EXPECT_EQ(at, 210u);
}

// A timer thread on the virtual clock has no 10 ms floor: 1 ms means a tick at
// every virtual millisecond, in step with the window timers.
TEST(HeadlessEventLoop, TimerThreadsTickPreciselyAndStopFromInside) {
  HeadlessEventLoop loop;
  std::vector<std::uint64_t> at;
  std::unique_ptr<TimerThread> thread;
  thread = loop.CreateTimerThread([&] {
    at.push_back(loop.NowMs());
    if (at.size() == 8) thread->Suspend();
  });
  loop.Advance(3);
  EXPECT_TRUE(at.empty());  // created suspended
  thread->Resume(1);
  thread->Resume(1);  // already running: no second timer
  loop.Advance(5);
  EXPECT_EQ(at, (std::vector<std::uint64_t>{4, 5, 6, 7, 8}));
  thread->Suspend();
  loop.Advance(5);
  EXPECT_EQ(at.size(), 5u);
  thread->Resume(3);
  loop.Advance(20);  // the eighth tick suspends its own thread
  EXPECT_EQ(at, (std::vector<std::uint64_t>{4, 5, 6, 7, 8, 16, 19, 22}));
  EXPECT_EQ(loop.ActiveTimerCount(), 0u);

  // Destroyed from inside its own tick: it was the last one.
  int ticks = 0;
  thread = loop.CreateTimerThread([&] {
    ++ticks;
    thread.reset();
  });
  thread->Resume(1);
  loop.Advance(10);
  EXPECT_EQ(ticks, 1);
  EXPECT_EQ(loop.ActiveTimerCount(), 0u);
}

TEST(HeadlessEventLoop, BlockedTimeFiresOverdueTimersOnce) {
  HeadlessEventLoop loop;
  int ticks = 0;
  loop.SetTimer(10, true, [&] { ++ticks; });
  loop.SkipTime(95);  // the loop thread was busy for 95 ms
  EXPECT_EQ(ticks, 0);
  loop.ProcessMessages();
  EXPECT_EQ(ticks, 1);
  loop.Advance(10);
  EXPECT_EQ(ticks, 2);
}

TEST(HeadlessEventLoop, PostAndWaitRunsOnTheLoopThread) {
  HeadlessEventLoop loop;
  std::atomic<int> sum{0};
  std::thread::id ranOn;
  std::vector<std::thread> workers;
  std::atomic<int> results{0};
  for (int i = 1; i <= 4; ++i) {
    workers.emplace_back([&, i] {
      bool ok = loop.PostAndWait([&, i] {
        sum += i;
        ranOn = std::this_thread::get_id();
      });
      if (ok) ++results;
    });
  }
  while (results < 4) loop.ProcessMessages();
  for (auto& w : workers) w.join();
  EXPECT_EQ(sum, 10);
  EXPECT_EQ(ranOn, std::this_thread::get_id());
  // On the loop thread itself it runs at once.
  bool direct = false;
  EXPECT_TRUE(loop.PostAndWait([&] { direct = true; }));
  EXPECT_TRUE(direct);
}

TEST(HeadlessEventLoop, TerminationReleasesWaitersWithoutRunningTheirTasks) {
  HeadlessEventLoop loop;
  std::atomic<bool> ran{false};
  std::atomic<int> outcome{-1};
  std::thread worker([&] { outcome = loop.PostAndWait([&] { ran = true; }) ? 1 : 0; });
  // Whether the task was queued before the loop ended or not, it must not run
  // and the worker must come back.
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  loop.Terminate(3);
  worker.join();
  EXPECT_EQ(outcome, 0);
  EXPECT_FALSE(ran);
  EXPECT_EQ(loop.ExitCode(), 3);
  EXPECT_FALSE(loop.PostAndWait([] {}));
}

TEST(HeadlessEventLoop, NestedModalLoopsKeepTimersRunning) {
  HeadlessEventLoop loop;
  std::vector<std::string> log;
  bool innerDone = false, outerDone = false;
  loop.SetTimer(100, true, [&] { log.push_back("tick@" + std::to_string(loop.NowMs())); });
  int steps = 0;
  loop.SetIdleDriver([&] {
    ++steps;
    loop.Advance(100);
    if (steps == 2) {
      // A dialog opens inside the outer modal loop and closes two steps later.
      log.push_back("inner-open");
      loop.RunModal([&] { return innerDone; });
      log.push_back("inner-closed");
    }
    if (steps == 4) innerDone = true;
    if (steps == 5) outerDone = true;
    return steps < 10;
  });
  EXPECT_TRUE(loop.RunModal([&] { return outerDone; }));
  EXPECT_EQ(log, (std::vector<std::string>{"tick@100", "tick@200", "inner-open", "tick@300", "tick@400",
                                           "inner-closed", "tick@500"}));
}

TEST(HeadlessEventLoop, WhatATimerOrTaskThrowsNeverEndsAModalLoop) {
  HeadlessEventLoop loop;
  test::LogCapture log;
  int depthInside = -1;
  bool nextFired = false;
  loop.SetTimer(10, false, [&] {
    depthInside = loop.ModalDepth();
    throw std::runtime_error("timer failed");
  });
  loop.SetTimer(20, false, [&] { nextFired = true; });
  loop.Post([] { throw 42; });
  loop.SetIdleDriver([&] {
    loop.Advance(10);
    return true;
  });
  EXPECT_TRUE(loop.RunModal([&] { return nextFired; }));
  EXPECT_EQ(depthInside, 1);
  EXPECT_EQ(loop.ModalDepth(), 0);
  EXPECT_EQ(loop.NowMs(), 20u);
  EXPECT_TRUE(log.Contains("timer failed")) << log.All();
  EXPECT_TRUE(log.Contains("a posted task threw")) << log.All();

  // However a modal loop is left, its depth is given back.
  EXPECT_THROW(loop.RunModal([]() -> bool { throw std::logic_error("done() broke"); }), std::logic_error);
  EXPECT_EQ(loop.ModalDepth(), 0);
}

TEST(HeadlessEventLoop, RunEndsWhenTheDriverRunsOutOrOnTerminate) {
  HeadlessEventLoop loop;
  int calls = 0;
  loop.SetIdleDriver([&] { return ++calls < 3; });
  EXPECT_EQ(loop.Run(), 0);
  EXPECT_EQ(calls, 3);
  EXPECT_TRUE(loop.Terminated());
  EXPECT_FALSE(loop.RunModal([] { return false; }));

  HeadlessEventLoop other;
  std::thread t([&] { other.Terminate(7); });
  EXPECT_EQ(other.Run(), 7);  // no driver: waits for the other thread
  t.join();
}

TEST(HeadlessEventLoop, VirtualLocalTimeFollowsTheClock) {
  HeadlessEventLoop loop;
  loop.SetLocalTimeBase({2026, 12, 31, 23, 59, 59, 500, 0});
  loop.Advance(600);
  LocalTime t = loop.GetClock().Now();
  EXPECT_EQ(t.year, 2027);
  EXPECT_EQ(t.month, 1);
  EXPECT_EQ(t.day, 1);
  EXPECT_EQ(t.hour, 0);
  EXPECT_EQ(t.second, 0);
  EXPECT_EQ(t.millisecond, 100);
  EXPECT_EQ(t.dayOfWeek, 5);  // a Friday
}

}  // namespace
}  // namespace trv

namespace trv {
namespace {

// Work started beside the loop runs on a thread of its own while virtual time
// and timers go on; its end is handed over only at a settle point.
TEST(HeadlessEventLoop, WorkBesideRunsOnItsOwnThreadAndEndsAtSettlePoints) {
  HeadlessEventLoop loop;
  loop.SetSettleAtIdle(false);
  std::atomic<bool> release{false};
  std::thread::id worker;
  std::vector<std::string> done;
  loop.StartBeside(
      [&] {
        worker = std::this_thread::get_id();
        while (!release.load()) std::this_thread::yield();
      },
      [&] { done.push_back("first at " + std::to_string(loop.NowMs())); });
  loop.StartBeside([] {}, [&] { done.push_back("second"); });
  int ticks = 0;
  loop.SetTimer(100, true, [&] { ++ticks; });
  loop.Advance(1000);  // the worker still waits: the loop does not
  EXPECT_EQ(ticks, 10);
  EXPECT_TRUE(loop.BesideOutstanding());
  release = true;
  loop.Advance(500);  // finished or not, nothing arrives between settle points
  EXPECT_TRUE(done.empty());
  loop.SettleBeside();
  EXPECT_NE(worker, std::this_thread::get_id());
  EXPECT_EQ(done, (std::vector<std::string>{"first at 1500", "second"}));
  EXPECT_FALSE(loop.BesideOutstanding());
  loop.SettleBeside();  // nothing out: nothing happens
  EXPECT_EQ(done.size(), 2u);
}

TEST(HeadlessEventLoop, AModalLoopSettlesWorkAtItsIdleMomentsUnlessTold) {
  HeadlessEventLoop loop;
  bool ended = false;
  loop.StartBeside([] { std::this_thread::sleep_for(std::chrono::milliseconds(20)); }, [&] { ended = true; });
  EXPECT_TRUE(loop.RunModal([&] { return ended; }));
  // After the loop's end a `done` is dropped, and the thread is joined.
  loop.StartBeside([] {}, [&] { ended = false; });
  loop.Terminate(0);
  loop.SettleBeside();
  EXPECT_TRUE(ended);
}

}  // namespace
}  // namespace trv
