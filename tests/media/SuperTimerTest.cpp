#include <gtest/gtest.h>

#include <stdexcept>

#include "media/SuperTimer.h"
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
  test::LogCapture log;
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
  int failures = 0;
  for (const std::string& line : log.Lines()) failures += line.find("tick handler failed") != std::string::npos;
  EXPECT_EQ(failures, 1);  // once per timer, not once per tick
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

TEST_F(SuperTimerTest, IntervalChangeRestartsTheCountingAndDefaultsHold) {
  TSuperTimer timer(platform.Loop());
  EXPECT_FALSE(timer.Enabled());
  EXPECT_EQ(timer.Interval(), 1000);
  EXPECT_EQ(timer.Priority(), 4);
  std::vector<int> seen;
  timer.OnTimer = [&](TSuperTimer& t) { seen.push_back(t.TickCount()); };
  timer.SetEnabled(true);
  Wait(2500);
  EXPECT_EQ(seen, (std::vector<int>{1, 2}));
  timer.SetInterval(1000);  // unchanged: nothing restarts
  Wait(500);
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3}));
  Wait(100);
  timer.SetInterval(10);
  EXPECT_EQ(timer.TickCount(), 0);
  EXPECT_EQ(timer.StartTime(), platform.VirtualLoop().NowMs());
  Wait(25);
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 1, 2}));
  EXPECT_EQ(timer.Elapsed(), 20);
}

TEST_F(SuperTimerTest, DestroyedInsideOrOutsideATickNothingMoreArrives) {
  int calls = 0;
  auto timer = std::make_unique<TSuperTimer>(platform.Loop());
  timer->OnTimer = [&](TSuperTimer&) {
    if (++calls == 2) timer.reset();
  };
  timer->SetInterval(1);
  timer->SetEnabled(true);
  Wait(10);
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(timer, nullptr);

  timer = std::make_unique<TSuperTimer>(platform.Loop());
  timer->OnTimer = [&](TSuperTimer&) { ++calls; };
  timer->SetInterval(1);
  timer->SetEnabled(true);
  Wait(3);
  timer.reset();
  Wait(10);
  EXPECT_EQ(calls, 5);
  EXPECT_EQ(platform.VirtualLoop().ActiveTimerCount(), 0u);
}

}  // namespace
}  // namespace trv
