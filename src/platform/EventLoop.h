#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/Clock.h"

namespace trv {

using TimerId = std::uint64_t;

// The thread of a high-resolution timer: while resumed it sleeps `interval`
// milliseconds, then has `tick` run on the loop thread and waits for it before
// sleeping again, so ticks never overlap. Created suspended; no tick runs
// after Suspend returns or after the object is gone.
class TimerThread {
 public:
  virtual ~TimerThread() = default;
  virtual void Resume(std::uint32_t intervalMs) = 0;
  virtual void Suspend() = 0;
  // 0 idle .. 3 normal .. 6 time-critical, taken when the thread next wakes
  // from a suspension. A raise the system does not allow is skipped quietly.
  virtual void SetPriority(int priority) { (void)priority; }
};

// The user-interface thread. Every window event, timer and posted task runs on
// it, one at a time. What one of them throws is logged and dropped (see
// CallGuarded): it never unwinds through the loop or a modal loop on its stack.
// Only Post and PostAndWait may be called from other threads.
class EventLoop {
 public:
  virtual ~EventLoop() = default;

  virtual Clock& GetClock() = 0;

  // A window timer: `fn` runs on the loop thread `intervalMs` after now, and
  // again every `intervalMs` when `periodic` is set, until KillTimer. A timer may
  // kill itself or others from inside its own call. Returns a non-zero id.
  virtual TimerId SetTimer(std::uint32_t intervalMs, bool periodic, std::function<void()> fn) = 0;
  virtual void KillTimer(TimerId id) = 0;
  virtual bool TimerActive(TimerId id) const = 0;

  // Queues `task` for the loop thread (thread-safe).
  virtual void Post(std::function<void()> task) = 0;
  // Queues `task` and blocks the calling thread until the loop has run it.
  // Returns false without running it when the loop has ended or ends while
  // waiting, so a worker thread can never hang on a loop that is gone. Called
  // on the loop thread itself it runs `task` at once.
  virtual bool PostAndWait(std::function<void()> task) = 0;

  // Runs `work` away from the loop thread (work that may block on a file or a
  // device), then `done` on the loop thread. `done` is dropped when the loop
  // has ended. The headless loop runs `work` at once, so that its results
  // arrive at a fixed moment of its virtual time.
  virtual void RunBeside(std::function<void()> work, std::function<void()> done) = 0;
  // Runs `work` on a thread of its own in every backend (work that may take
  // long, such as a network exchange), then `done` on the loop thread; the
  // loop never waits for it and keeps firing timers and painting meanwhile.
  // `done` is dropped when the loop has ended, and the loop's end joins the
  // thread, so `work` must end promptly when its owner asks (a cancel flag).
  // The headless loop hands `done` over only at its settle points (see
  // HeadlessEventLoop::SettleBeside), so that a result arrives at a fixed
  // moment of virtual time however long the real thread took. The default,
  // for loops that have no threads of their own (test doubles), is RunBeside.
  virtual void StartBeside(std::function<void()> work, std::function<void()> done) {
    RunBeside(std::move(work), std::move(done));
  }

  // Runs everything that is due now (posted tasks, input, timers) and returns.
  virtual void ProcessMessages() = 0;

  // Runs the loop until Terminate. Returns the exit code.
  virtual int Run() = 0;
  // A nested loop (a modal dialog): runs until `done()` is true after an event,
  // or until Terminate. Timers keep firing inside it. Returns false when it
  // ended because the loop terminated.
  virtual bool RunModal(const std::function<bool()>& done) = 0;
  // How many RunModal calls are on the stack now, however they were left.
  virtual int ModalDepth() const = 0;

  // Ends Run and every modal loop. Safe from any thread.
  virtual void Terminate(int exitCode = 0) = 0;
  virtual bool Terminated() const = 0;

  // True on the loop's own thread.
  virtual bool OnLoopThread() const = 0;

  // A timer thread whose ticks run on this loop (call on the loop thread).
  virtual std::unique_ptr<TimerThread> CreateTimerThread(std::function<void()> tick) = 0;
};

}  // namespace trv
