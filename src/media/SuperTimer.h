#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/EventLoop.h"

namespace trv {

// A timer for short intervals with a thread of its own that sleeps for the
// interval and hands each tick to the user-interface thread, waiting for it.
// The effects run their frames on it.
class TSuperTimer {
 public:
  explicit TSuperTimer(EventLoop& loop);
  ~TSuperTimer();
  TSuperTimer(const TSuperTimer&) = delete;
  TSuperTimer& operator=(const TSuperTimer&) = delete;

  // Unchanged values do nothing; a change restarts the counting (tick count
  // and elapsed 0, start time now).
  void SetEnabled(bool enabled);
  void SetInterval(std::uint16_t intervalMs);
  // 0 idle .. 6 time-critical; the thread takes it when it next wakes, and
  // only as far as the system allows.
  void SetPriority(int priority);

  bool Enabled() const { return enabled_; }
  std::uint16_t Interval() const { return interval_; }
  int Priority() const { return priority_; }
  // Ticks since the last enable or disable; the first tick after an enable sees 1.
  std::int32_t TickCount() const { return tickCount_; }
  // The sum of the intervals slept since the last restart of the counting.
  std::int32_t Elapsed() const { return elapsed_; }
  std::uint32_t StartTime() const { return startTime_; }

  std::function<void(TSuperTimer&)> OnTimer;

 private:
  void Restart();
  void Tick();

  EventLoop& loop_;
  std::unique_ptr<TimerThread> thread_;
  bool enabled_ = false;
  std::uint16_t interval_ = 1000;
  int priority_ = 4;
  std::uint32_t startTime_ = 0;
  std::int32_t elapsed_ = 0;
  std::int32_t tickCount_ = 0;
  bool warned_ = false;
};

}  // namespace trv
