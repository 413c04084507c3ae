#include "platform/TaskQueue.h"

#include "platform/LoopRules.h"

namespace trv {

struct TaskQueue::Waiter {
  std::mutex mutex;
  std::condition_variable cv;
  enum class State { Pending, Done, Cancelled } state = State::Pending;
  void Finish(State s) {
    std::lock_guard<std::mutex> lock(mutex);
    state = s;
    cv.notify_all();
  }
};

bool TaskQueue::Post(std::function<void()> task, bool* wake) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (terminated_) return false;
  tasks_.push_back({std::move(task), nullptr});
  if (wake) *wake = !wakePending_;
  wakePending_ = true;
  cv_.notify_all();
  return true;
}

bool TaskQueue::PostAndWait(std::function<void()> task, const std::function<void()>& wake) {
  auto waiter = std::make_shared<Waiter>();
  bool needWake = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (terminated_) return false;
    tasks_.push_back({std::move(task), waiter});
    needWake = !wakePending_;
    wakePending_ = true;
    cv_.notify_all();
  }
  if (needWake && wake) wake();
  std::unique_lock<std::mutex> lock(waiter->mutex);
  waiter->cv.wait(lock, [&] { return waiter->state != Waiter::State::Pending; });
  return waiter->state == Waiter::State::Done;
}

bool TaskQueue::RunAll() {
  std::deque<Task> batch;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    wakePending_ = false;
    batch.swap(tasks_);
  }
  const bool any = !batch.empty();
  while (!batch.empty()) {
    if (Terminated()) break;
    Task task = std::move(batch.front());
    batch.pop_front();
    CallGuarded("a posted task", task.fn);
    if (task.waiter) task.waiter->Finish(Waiter::State::Done);
  }
  Release(batch);
  return any;
}

void TaskQueue::Release(std::deque<Task>& tasks) {
  for (Task& t : tasks)
    if (t.waiter) t.waiter->Finish(Waiter::State::Cancelled);
  tasks.clear();
}

void TaskQueue::Terminate(int exitCode) {
  std::deque<Task> dropped;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!terminated_) exitCode_ = exitCode;
    terminated_ = true;
    dropped.swap(tasks_);
    cv_.notify_all();
  }
  Release(dropped);
}

bool TaskQueue::Terminated() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return terminated_;
}

int TaskQueue::ExitCode() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return exitCode_;
}

bool TaskQueue::HasWork() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return terminated_ || !tasks_.empty();
}

void TaskQueue::WaitForWork() {
  std::unique_lock<std::mutex> lock(mutex_);
  cv_.wait(lock, [&] { return terminated_ || !tasks_.empty(); });
}

void TaskQueue::WaitForWork(std::chrono::milliseconds limit) {
  std::unique_lock<std::mutex> lock(mutex_);
  cv_.wait_for(lock, limit, [&] { return terminated_ || !tasks_.empty(); });
}

void TaskQueue::ClearWakePending() {
  std::lock_guard<std::mutex> lock(mutex_);
  wakePending_ = false;
}

}  // namespace trv
