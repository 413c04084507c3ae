#include <gtest/gtest.h>

#include <stdexcept>

#include "media/SuperTimer.h"
#include "platform/ThreadTimer.h"
#include "platform/headless/HeadlessPlatform.h"
#include "support/TestSupport.h"

namespace trv {
namespace {

class SuperTimerTest : public ::testing::Test {
 protected:
  SuperTimerTest() : platform(Config()) {}
  PlatformConfig Config() {
    PlatformConfig c;
    c.settingsDir = dir / "settings";
    return c;
  }
  void Wait(std::uint64_t ms) { platform.VirtualLoop().Advance(ms); }
  test::TempDir dir;
  HeadlessPlatform platform;
};

TEST_F(SuperTimerTest, CountsTicksFromEachEnable) {
  TSuperTimer timer(platform.Loop());
  std::vector<int> seen;
  timer.OnTimer = [&](TSuperTimer& t) { seen.push_back(t.TickCount()); };
  timer.SetInterval(5);
  timer.SetEnabled(true);
  Wait(12);
  timer.SetEnabled(true);  // unchanged: the count goes on
  Wait(5);
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(timer.Elapsed(), 15);
  timer.SetEnabled(false);
  Wait(20);
  EXPECT_EQ(seen.size(), 3u);
  timer.SetEnabled(true);
  Wait(5);
  EXPECT_EQ(seen.back(), 1);
  EXPECT_EQ(timer.Elapsed(), 5);
}

TEST_F(SuperTimerTest, FailingHandlersKeepTickingAndHandlersMayStopTheirTimer) {
  TSuperTimer timer(platform.Loop());
  int calls = 0;
  timer.OnTimer = [&](TSuperTimer& t) {
    if (++calls == 3) t.SetEnabled(false);
    throw std::runtime_error("boom");
  };
  timer.SetInterval(1);
  timer.SetEnabled(true);
  Wait(10);
  EXPECT_EQ(calls, 3);
}

TEST_F(SuperTimerTest, NoTickAfterTheLoopEnds) {
  TSuperTimer timer(platform.Loop());
  int calls = 0;
  timer.OnTimer = [&](TSuperTimer&) { ++calls; };
  timer.SetInterval(1);
  timer.SetEnabled(true);
  platform.Loop().Terminate(0);
  Wait(10);
  EXPECT_EQ(calls, 0);
}

// The real thread against a loop that runs on this thread.
TEST_F(SuperTimerTest, RealThreadHandsTicksToTheLoopAndDiesCleanly) {
  HeadlessEventLoop& loop = platform.VirtualLoop();
  int ticks = 0;
  {
    auto thread = CreateThreadTimer(loop, [&] {
      if (++ticks == 5) loop.Terminate(0);
    });
    thread->Resume(1);
    loop.Run();  // returns once the fifth tick ended the loop
    EXPECT_EQ(ticks, 5);
  }
  // Destroyed while its thread waited: nothing more arrives.
  auto second = CreateThreadTimer(loop, [&] { ++ticks; });
  second->Resume(1);
  second.reset();
  EXPECT_EQ(ticks, 5);
}

}  // namespace
}  // namespace trv
