#include "platform/TimerQueue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>


namespace trv {
namespace {

// Fires everything due up to `until` the way the virtual clock does: the clock
// stands at each timer's due time while it runs.
std::uint64_t RunUntil(TimerQueue& q, std::uint64_t now, std::uint64_t until) {
  while (q.NextDue() <= until) {
    now = std::max(now, q.NextDue());
    q.FireNext(until, now);
  }
  return until;
}

TEST(TimerQueue, DueOrderTiesAndTheMinimumInterval) {
  TimerQueue q;
  std::vector<std::string> fired;
  auto note = [&](const char* name) { return [&fired, name] { fired.push_back(name); }; };
  q.Set(0, 50, false, note("b"));
  q.Set(0, 0, false, note("min"));  // raised to 10 ms
  q.Set(0, 50, false, note("c"));   // same due as b, scheduled later: fires later
  q.SetPrecise(0, 3, false, note("precise"));
  EXPECT_EQ(q.NextDue(), 3u);
  EXPECT_FALSE(q.FireNext(2, 2));  // nothing due yet
  RunUntil(q, 0, 100);
  EXPECT_EQ(fired, (std::vector<std::string>{"precise", "min", "b", "c"}));
  EXPECT_EQ(q.NextDue(), UINT64_MAX);
}

TEST(TimerQueue, TimersKillThemselvesAndOthersFromInside) {
  TimerQueue q;
  int ticks = 0, victimCalls = 0;
  bool aliveAfterKill = false;
  TimerId self = 0;
  const TimerId victim = q.Set(0, 30, false, [&] { ++victimCalls; });
  std::string captured = "still here";
  self = q.Set(0, 10, true, [&, captured] {
    if (++ticks == 1) q.Kill(victim);
    if (ticks == 2) {
      q.Kill(self);
      aliveAfterKill = captured == "still here";  // the callable outlives its own kill
    }
  });
  RunUntil(q, 0, 200);
  EXPECT_EQ(ticks, 2);
  EXPECT_EQ(victimCalls, 0);
  EXPECT_TRUE(aliveAfterKill);
  EXPECT_EQ(q.Count(), 0u);
}

TEST(TimerQueue, PeriodicTimersKeepTheirRhythmButABlockedLoopGetsOneCall) {
  TimerQueue q;
  std::vector<std::uint64_t> at;
  std::uint64_t now = 0;
  q.Set(0, 10, true, [&] { at.push_back(now); });
  // Fired 4 ms late: the rhythm stays (next at 20, not 24).
  now = 14;
  EXPECT_TRUE(q.FireNext(now, now));
  EXPECT_EQ(q.NextDue(), 20u);
  // Blocked for 95 ms: one call, then due an interval after now, not a burst.
  now = 115;
  EXPECT_TRUE(q.FireNext(now, now));
  EXPECT_FALSE(q.FireNext(now, now));
  EXPECT_EQ(q.NextDue(), 125u);
  EXPECT_EQ(at, (std::vector<std::uint64_t>{14, 115}));
}

}  // namespace
}  // namespace trv
