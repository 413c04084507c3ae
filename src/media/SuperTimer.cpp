#include "media/SuperTimer.h"

#include "platform/Log.h"

namespace trv {

TSuperTimer::TSuperTimer(EventLoop& loop) : loop_(loop) {
  thread_ = loop_.CreateTimerThread([this] { Tick(); });
  thread_->SetPriority(priority_);
}

// The thread goes first: once it is gone no tick can reach this object.
TSuperTimer::~TSuperTimer() { thread_.reset(); }

void TSuperTimer::Restart() {
  tickCount_ = 0;
  elapsed_ = 0;
  startTime_ = std::uint32_t(loop_.GetClock().NowMs());
}

void TSuperTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Restart();
  if (enabled_) thread_->Resume(interval_);
  else thread_->Suspend();
}

void TSuperTimer::SetInterval(std::uint16_t intervalMs) {
  if (intervalMs == interval_) return;
  if (enabled_) thread_->Suspend();
  interval_ = intervalMs;
  Restart();
  if (enabled_) thread_->Resume(interval_);
}

void TSuperTimer::SetPriority(int priority) {
  priority_ = priority;
  thread_->SetPriority(priority);
}

void TSuperTimer::Tick() {
  if (loop_.Terminated() || !enabled_) return;
  elapsed_ += interval_;
  ++tickCount_;
  if (!OnTimer) return;
  try {
    OnTimer(*this);
  } catch (const std::exception& e) {
    if (!warned_) Log("timer", std::string("a tick handler failed: ") + e.what());
    warned_ = true;
  } catch (...) {
    if (!warned_) Log("timer", "a tick handler failed");
    warned_ = true;
  }
}

}  // namespace trv
