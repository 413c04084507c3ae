#include "platform/ThreadTimer.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#ifdef __linux__
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace trv {
namespace {

constexpr int kNormalPriority = 3;

// Gives the calling thread the priority (0 idle .. 6 time-critical) as a nice
// value of its own. Raising needs a privilege most users lack; then the thread
// simply stays as it is.
void ApplyThreadPriority(int priority) {
#ifdef __linux__
  static constexpr int kNice[7] = {15, 10, 5, 0, -5, -10, -15};
  if (priority < 0) priority = 0;
  if (priority > 6) priority = 6;
  setpriority(PRIO_PROCESS, id_t(syscall(SYS_gettid)), kNice[priority]);
#else
  (void)priority;
#endif
}

struct SharedState {
  std::mutex mutex;
  std::condition_variable cv;
  bool running = false;   // resumed
  bool stopping = false;  // the object is going away
  bool tickPending = false;
  std::uint32_t interval = 1000;
  int priority = kNormalPriority;
  std::uint64_t generation = 0;  // bumped by Suspend: ticks posted before it are void
  std::function<void()> tick;
};

class RealTimerThread : public TimerThread {
 public:
  RealTimerThread(EventLoop& loop, std::function<void()> tick) : loop_(loop), state_(std::make_shared<SharedState>()) {
    state_->tick = std::move(tick);
    thread_ = std::thread([this, state = state_] { Run(state); });
  }
  ~RealTimerThread() override {
    {
      std::lock_guard<std::mutex> lock(state_->mutex);
      state_->stopping = true;
      state_->running = false;
      ++state_->generation;
    }
    state_->cv.notify_all();
    thread_.join();
  }
  void Resume(std::uint32_t intervalMs) override {
    {
      std::lock_guard<std::mutex> lock(state_->mutex);
      state_->interval = intervalMs ? intervalMs : 1;
      state_->running = true;
    }
    state_->cv.notify_all();
  }
  void SetPriority(int priority) override {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->priority = priority;
  }
  void Suspend() override {
    {
      std::lock_guard<std::mutex> lock(state_->mutex);
      state_->running = false;
      ++state_->generation;
    }
    state_->cv.notify_all();
  }

 private:
  void Run(const std::shared_ptr<SharedState>& state) {
    int applied = kNormalPriority;
    std::unique_lock<std::mutex> lock(state->mutex);
    for (;;) {
      state->cv.wait(lock, [&] { return state->stopping || state->running; });
      if (state->stopping) return;
      if (state->priority != applied) {
        applied = state->priority;
        ApplyThreadPriority(applied);
      }
      const std::uint64_t generation = state->generation;
      const auto interval = std::chrono::milliseconds(state->interval);
      // The sleep ends early only for a stop; Suspend voids the tick below.
      state->cv.wait_for(lock, interval, [&] { return state->stopping; });
      if (state->stopping) return;
      if (!state->running || state->generation != generation) continue;
      state->tickPending = true;
      lock.unlock();
      loop_.Post([state, generation] {
        std::function<void()> tick;
        {
          std::lock_guard<std::mutex> guard(state->mutex);
          const bool valid = !state->stopping && state->running && state->generation == generation;
          if (valid) tick = state->tick;
        }
        if (tick) tick();
        {
          std::lock_guard<std::mutex> guard(state->mutex);
          state->tickPending = false;
        }
        state->cv.notify_all();
      });
      lock.lock();
      // Wait for the tick, or for the end (a loop that ended runs no more posts).
      state->cv.wait(lock, [&] { return !state->tickPending || state->stopping || loop_.Terminated(); });
      if (state->stopping || loop_.Terminated()) return;
    }
  }

  EventLoop& loop_;
  std::shared_ptr<SharedState> state_;
  std::thread thread_;
};

}  // namespace

std::unique_ptr<TimerThread> CreateThreadTimer(EventLoop& loop, std::function<void()> tick) {
  return std::make_unique<RealTimerThread>(loop, std::move(tick));
}

}  // namespace trv
