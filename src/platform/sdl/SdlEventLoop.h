#pragma once

#include <atomic>
#include <vector>
#include <SDL.h>

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "platform/EventLoop.h"
#include "platform/LoopRules.h"
#include "platform/TaskQueue.h"
#include "platform/TimerQueue.h"

namespace trv {

// The real event loop: a monotonic clock, window timers (TimerQueue) waited
// for with SDL_WaitEventTimeout and fired all that are due each round, and tasks from other threads woken in
// with a user event. SDL events other than its own go to the handler, on the
// thread that created the loop (the one that owns the windows).
class SdlEventLoop : public EventLoop, private Clock {
 public:
  SdlEventLoop();
  ~SdlEventLoop() override;

  Clock& GetClock() override { return *this; }
  TimerId SetTimer(std::uint32_t intervalMs, bool periodic, std::function<void()> fn) override;
  void KillTimer(TimerId id) override;
  bool TimerActive(TimerId id) const override;
  void Post(std::function<void()> task) override;
  bool PostAndWait(std::function<void()> task) override;
  void RunBeside(std::function<void()> work, std::function<void()> done) override;
  // The same threads as RunBeside: here that already never blocks the loop.
  void StartBeside(std::function<void()> work, std::function<void()> done) override {
    RunBeside(std::move(work), std::move(done));
  }
  void ProcessMessages() override;
  int Run() override;
  bool RunModal(const std::function<bool()>& done) override;
  int ModalDepth() const override { return modal_.Depth(); }
  void Terminate(int exitCode = 0) override;
  bool Terminated() const override;
  bool OnLoopThread() const override;
  std::unique_ptr<TimerThread> CreateTimerThread(std::function<void()> tick) override;

  std::uint64_t NowMs() const override;
  LocalTime Now() const override;

  // Receives every SDL event that is not the loop's own wake-up.
  void SetEventHandler(std::function<void(const SDL_Event&)> handler) { handler_ = std::move(handler); }
  int ExitCode() const;
  std::size_t ActiveTimerCount() const { return timers_.Count(); }

 private:
  bool RunPosted();
  // Fires each timer due at or before `limit` once; true when any fired.
  bool FireDue(std::uint64_t limit);
  // One round: posted tasks, due timers, then input (waiting for it up to the
  // next timer when `wait` and nothing else ran).
  void Step(bool wait);
  void Dispatch(SDL_Event& ev);
  void Wake();

  std::chrono::steady_clock::time_point start_;
  std::thread::id loopThread_;
  bool eventsInit_ = false;
  Uint32 wakeEvent_ = 0;

  TimerQueue timers_;
  ModalLoops modal_;

  TaskQueue tasks_;

  // Threads of RunBeside: finished ones are joined at the next call, the rest
  // when the loop goes (their `done` is then dropped).
  struct Beside {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> finished;
  };
  std::vector<Beside> beside_;

  std::function<void(const SDL_Event&)> handler_;
};

}  // namespace trv
