#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <tuple>

#include "platform/EventLoop.h"

namespace trv {

// The window timers of one event loop, on whatever clock the loop keeps: the
// loop says what time it is, the queue says which timer is next and what a
// firing does to it. Not thread-safe: the loop thread alone touches it.
class TimerQueue {
 public:
  // The shortest window timer, as the system enforces it.
  static constexpr std::uint32_t kMinInterval = 10;

  // A timer due `intervalMs` after `now` (at least kMinInterval), and every
  // `intervalMs` after that when `periodic`. Returns a non-zero id, never reused.
  TimerId Set(std::uint64_t now, std::uint32_t intervalMs, bool periodic, std::function<void()> fn);
  // The same without the minimum (precise timers of a virtual clock); an
  // interval of 0 counts as 1.
  TimerId SetPrecise(std::uint64_t now, std::uint32_t intervalMs, bool periodic, std::function<void()> fn);
  // Unknown or already ended ids are ignored.
  void Kill(TimerId id);
  bool Active(TimerId id) const { return timers_.count(id) != 0; }
  std::size_t Count() const { return timers_.size(); }

  // When the earliest timer falls due, or UINT64_MAX when none is set. Timers
  // due at the same time fire in the order they were (re)scheduled.
  std::uint64_t NextDue() const;

  // Fires the earliest timer when it is due at or before `limit`; false when
  // none is. `now` is the loop's clock at the call. A one-shot timer is gone
  // before its call; a periodic one keeps its rhythm (due += interval), but a
  // loop that was blocked gets one call, not a burst: when that is not after
  // `now`, it is next due `now + interval`. The call may set and kill timers,
  // its own included (its callable stays alive until it returns); what it
  // throws is logged and dropped.
  bool FireNext(std::uint64_t limit, std::uint64_t now);

 private:
  struct Timer {
    std::uint64_t due = 0;
    std::uint32_t interval = 0;
    bool periodic = false;
    std::uint64_t order = 0;
    std::shared_ptr<std::function<void()>> fn;
  };
  using Key = std::tuple<std::uint64_t, std::uint64_t, TimerId>;  // due, order, id

  TimerId Add(std::uint64_t now, std::uint32_t intervalMs, bool periodic, std::function<void()> fn);
  void Schedule(TimerId id, Timer& t);

  std::map<TimerId, Timer> timers_;
  std::set<Key> byDue_;
  TimerId nextId_ = 1;
  std::uint64_t nextOrder_ = 0;
};

}  // namespace trv
