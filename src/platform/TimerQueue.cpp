#include "platform/TimerQueue.h"

#include <algorithm>
#include <limits>

#include "platform/LoopRules.h"

namespace trv {

TimerId TimerQueue::Set(std::uint64_t now, std::uint32_t intervalMs, bool periodic, std::function<void()> fn) {
  return Add(now, std::max(intervalMs, kMinInterval), periodic, std::move(fn));
}

TimerId TimerQueue::SetPrecise(std::uint64_t now, std::uint32_t intervalMs, bool periodic,
                               std::function<void()> fn) {
  return Add(now, std::max<std::uint32_t>(intervalMs, 1), periodic, std::move(fn));
}

TimerId TimerQueue::Add(std::uint64_t now, std::uint32_t intervalMs, bool periodic, std::function<void()> fn) {
  const TimerId id = nextId_++;
  Timer& t = timers_[id];
  t.due = now + intervalMs;
  t.interval = intervalMs;
  t.periodic = periodic;
  t.fn = std::make_shared<std::function<void()>>(std::move(fn));
  Schedule(id, t);
  return id;
}

void TimerQueue::Schedule(TimerId id, Timer& t) {
  t.order = nextOrder_++;
  byDue_.emplace(t.due, t.order, id);
}

void TimerQueue::Kill(TimerId id) {
  auto it = timers_.find(id);
  if (it == timers_.end()) return;
  byDue_.erase({it->second.due, it->second.order, id});
  timers_.erase(it);
}

std::uint64_t TimerQueue::NextDue() const {
  return byDue_.empty() ? std::numeric_limits<std::uint64_t>::max() : std::get<0>(*byDue_.begin());
}

bool TimerQueue::FireNext(std::uint64_t limit, std::uint64_t now) {
  if (byDue_.empty() || std::get<0>(*byDue_.begin()) > limit) return false;
  const TimerId id = std::get<2>(*byDue_.begin());
  byDue_.erase(byDue_.begin());
  auto it = timers_.find(id);
  auto fn = it->second.fn;  // keeps the callable alive when the timer kills itself
  if (it->second.periodic) {
    Timer& t = it->second;
    t.due += t.interval;
    if (t.due <= now) t.due = now + t.interval;
    Schedule(id, t);
  } else {
    timers_.erase(it);
  }
  CallGuarded("a timer", *fn);
  return true;
}

}  // namespace trv
