#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace trv {

// The cross-thread half of an event loop: tasks posted from any thread, run on
// the loop thread, and the loop's end. A poster that waits is released when its
// task ran or when the loop ends first, so no worker can hang on a dead loop.
class TaskQueue {
 public:
  // Queues `task`. Returns false when the loop has ended (the task is dropped);
  // `wake` is set when this is the first task since the last RunAll, so that a
  // loop asleep in a foreign wait needs one wake-up per batch, not per task.
  bool Post(std::function<void()> task, bool* wake = nullptr);
  // Queues `task`, calls `wake` when needed, and blocks until the task ran
  // (true) or was dropped because the loop ended (false).
  bool PostAndWait(std::function<void()> task, const std::function<void()>& wake);
  // Runs what is queued, on the loop thread; tasks queued meanwhile wait for the
  // next call. True when anything was queued.
  bool RunAll();

  // Ends the loop: keeps the first exit code, drops and releases queued tasks.
  void Terminate(int exitCode);
  bool Terminated() const;
  int ExitCode() const;
  // True when a task is queued or the loop ended.
  bool HasWork() const;
  // Blocks until HasWork(), or for at most `limit` when one is given.
  void WaitForWork();
  void WaitForWork(std::chrono::milliseconds limit);
  // Lets the next Post report `wake` again (its wake-up could not be delivered).
  void ClearWakePending();

 private:
  struct Waiter;
  struct Task {
    std::function<void()> fn;
    std::shared_ptr<Waiter> waiter;
  };
  static void Release(std::deque<Task>& tasks);

  mutable std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<Task> tasks_;
  bool terminated_ = false;
  bool wakePending_ = false;
  int exitCode_ = 0;
};

}  // namespace trv
