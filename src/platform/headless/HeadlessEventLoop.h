#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/EventLoop.h"
#include "platform/LoopRules.h"
#include "platform/TaskQueue.h"
#include "platform/TimerQueue.h"

namespace trv {

// The event loop of the test backend. Its clock is virtual: time moves only when
// a test or scenario advances it, and timers fire in time order as it passes,
// each at its own due time, one at a time with the posted tasks run between
// them. Tasks posted from other threads run on the loop
// thread at the next ProcessMessages, Advance or idle step.
class HeadlessEventLoop : public EventLoop, private Clock {
 public:
  HeadlessEventLoop();
  ~HeadlessEventLoop() override;

  Clock& GetClock() override { return *this; }
  TimerId SetTimer(std::uint32_t intervalMs, bool periodic, std::function<void()> fn) override;
  void KillTimer(TimerId id) override;
  bool TimerActive(TimerId id) const override;
  void Post(std::function<void()> task) override;
  bool PostAndWait(std::function<void()> task) override;
  void RunBeside(std::function<void()> work, std::function<void()> done) override;
  // A real thread; its `done` waits for the next settle point.
  void StartBeside(std::function<void()> work, std::function<void()> done) override;
  // A settle point: waits in real time for every thread of StartBeside, then
  // runs their `done`s in the order the work was started. The virtual clock
  // stands still meanwhile. Call on the loop thread.
  void SettleBeside();
  bool BesideOutstanding() const { return !beside_.empty(); }
  // Whether an idle moment of the loop is a settle point (the default, for
  // tests that drive the loop themselves). The scenario runner turns it off
  // and settles before its `until` lines only, so that virtual time runs on
  // (timers, painting) while work is out beside the loop.
  void SetSettleAtIdle(bool settle) { settleAtIdle_ = settle; }
  void ProcessMessages() override;
  int Run() override;
  bool RunModal(const std::function<bool()>& done) override;
  int ModalDepth() const override { return modal_.Depth(); }
  void Terminate(int exitCode = 0) override;
  bool Terminated() const override;
  bool OnLoopThread() const override;
  // Ticks on the virtual clock, at every `interval` of virtual time.
  std::unique_ptr<TimerThread> CreateTimerThread(std::function<void()> tick) override;

  // Moves the virtual clock on by `ms`, firing every timer that falls due on the
  // way at its due time, and running posted tasks.
  void Advance(std::uint64_t ms);
  // Moves the clock without running anything, as a blocked loop thread lets
  // time pass; overdue timers fire at the next step.
  void SkipTime(std::uint64_t ms);

  // Called whenever Run or RunModal has nothing left to do; a scenario feeds its
  // next step from here. Returning false ends the loop (Terminate).
  void SetIdleDriver(std::function<bool()> driver) { driver_ = std::move(driver); }

  // The local date and time at virtual time 0 (default 2026-01-15 12:00:00).
  void SetLocalTimeBase(const LocalTime& base) { base_ = base; }

  std::uint64_t NowMs() const override { return now_; }
  LocalTime Now() const override;
  std::size_t ActiveTimerCount() const { return timers_.Count(); }
  // When the next timer falls due, or UINT64_MAX when none is set.
  std::uint64_t NextDue() const { return timers_.NextDue(); }
  int ExitCode() const { return tasks_.ExitCode(); }

 private:
  class VirtualTimerThread;
  bool RunPosted();
  // Fires the earliest timer due at or before `limit`; false when none is.
  bool FireNextDue(std::uint64_t limit);
  // One idle step of Run/RunModal.
  void Idle();

  // Read by the trace from threads beside the loop.
  std::atomic<std::uint64_t> now_{0};
  TimerQueue timers_;
  ModalLoops modal_;

  TaskQueue tasks_;

  struct Beside {
    std::thread thread;
    std::function<void()> done;
    std::shared_ptr<std::atomic<bool>> finished;
  };
  std::vector<Beside> beside_;  // loop thread only
  std::mutex besideMutex_;
  std::condition_variable besideEnded_;
  bool settleAtIdle_ = true;

  std::thread::id loopThread_;
  std::function<bool()> driver_;
  LocalTime base_{2026, 1, 15, 12, 0, 0, 0, 4};
};

}  // namespace trv
