#include "platform/headless/HeadlessEventLoop.h"

#include <chrono>

#include "platform/LoopRules.h"

namespace trv {

HeadlessEventLoop::HeadlessEventLoop() : loopThread_(std::this_thread::get_id()) {}

HeadlessEventLoop::~HeadlessEventLoop() {
  Terminate(ExitCode());
  // Their `done`s are dropped; their owners asked them to stop when they went.
  for (Beside& b : beside_) b.thread.join();
}

TimerId HeadlessEventLoop::SetTimer(std::uint32_t intervalMs, bool periodic, std::function<void()> fn) {
  return timers_.Set(now_, intervalMs, periodic, std::move(fn));
}

// A timer thread on the virtual clock is a precise periodic timer: the thread's
// sleep is the interval, and its hand-over is the timer's own call.
class HeadlessEventLoop::VirtualTimerThread : public TimerThread {
 public:
  VirtualTimerThread(HeadlessEventLoop& loop, std::function<void()> tick)
      : loop_(loop), tick_(std::make_shared<std::function<void()>>(std::move(tick))) {}
  ~VirtualTimerThread() override { Suspend(); }
  void Resume(std::uint32_t intervalMs) override {
    if (timer_) return;
    // The timer holds the callable itself, so a tick that destroys this object
    // returns into code that is still alive.
    timer_ = loop_.timers_.SetPrecise(loop_.now_, intervalMs, true, [tick = tick_] { (*tick)(); });
  }
  void Suspend() override {
    if (timer_) loop_.KillTimer(timer_);
    timer_ = 0;
  }

 private:
  HeadlessEventLoop& loop_;
  std::shared_ptr<std::function<void()>> tick_;
  TimerId timer_ = 0;
};

std::unique_ptr<TimerThread> HeadlessEventLoop::CreateTimerThread(std::function<void()> tick) {
  return std::make_unique<VirtualTimerThread>(*this, std::move(tick));
}

void HeadlessEventLoop::KillTimer(TimerId id) { timers_.Kill(id); }

bool HeadlessEventLoop::TimerActive(TimerId id) const { return timers_.Active(id); }

void HeadlessEventLoop::Post(std::function<void()> task) { tasks_.Post(std::move(task)); }

bool HeadlessEventLoop::PostAndWait(std::function<void()> task) {
  if (OnLoopThread()) {
    if (Terminated()) return false;
    CallGuarded("a posted task", task);
    return true;
  }
  return tasks_.PostAndWait(std::move(task), nullptr);
}

void HeadlessEventLoop::RunBeside(std::function<void()> work, std::function<void()> done) {
  CallGuarded("work beside the loop", work);
  Post(std::move(done));
}

void HeadlessEventLoop::StartBeside(std::function<void()> work, std::function<void()> done) {
  auto finished = std::make_shared<std::atomic<bool>>(false);
  std::thread thread([this, work = std::move(work), finished]() mutable {
    CallGuarded("work beside the loop", work);
    {
      std::lock_guard lock(besideMutex_);
      finished->store(true);
    }
    besideEnded_.notify_all();
  });
  beside_.push_back({std::move(thread), std::move(done), std::move(finished)});
}

void HeadlessEventLoop::SettleBeside() {
  if (beside_.empty()) return;
  {
    std::unique_lock lock(besideMutex_);
    besideEnded_.wait(lock, [this] {
      for (const Beside& b : beside_)
        if (!b.finished->load()) return false;
      return true;
    });
  }
  // A `done` may start more work: that waits for the next settle point.
  std::vector<Beside> ended = std::move(beside_);
  beside_.clear();
  for (Beside& b : ended) b.thread.join();
  for (Beside& b : ended)
    if (!Terminated()) CallGuarded("the end of work beside the loop", b.done);
}

bool HeadlessEventLoop::RunPosted() { return tasks_.RunAll(); }

bool HeadlessEventLoop::FireNextDue(std::uint64_t limit) {
  const std::uint64_t due = timers_.NextDue();
  if (due > limit) return false;
  // The clock stands at each timer's due time while it runs.
  if (due > now_) now_ = due;
  return timers_.FireNext(limit, now_);
}

void HeadlessEventLoop::ProcessMessages() {
  RunPosted();
  // Only timers due now: fire each once, so a periodic timer cannot spin here.
  const std::uint64_t limit = now_;
  while (!Terminated() && FireNextDue(limit)) RunPosted();
}

void HeadlessEventLoop::Advance(std::uint64_t ms) {
  const std::uint64_t target = now_ + ms;
  RunPosted();
  while (!Terminated() && FireNextDue(target)) RunPosted();
  if (now_ < target) now_ = target;
  RunPosted();
}

void HeadlessEventLoop::SkipTime(std::uint64_t ms) { now_ += ms; }

void HeadlessEventLoop::Idle() {
  if (settleAtIdle_ && !beside_.empty()) {
    SettleBeside();
    return;
  }
  if (driver_) {
    if (!driver_()) Terminate(ExitCode());
    return;
  }
  // Without a driver nothing moves the clock: wait for another thread.
  tasks_.WaitForWork();
}

int HeadlessEventLoop::Run() {
  while (!Terminated()) {
    ProcessMessages();
    if (Terminated()) break;
    Idle();
  }
  return ExitCode();
}

bool HeadlessEventLoop::RunModal(const std::function<bool()>& done) {
  return modal_.Run(done, [this] { return Terminated(); }, [&] {
    ProcessMessages();
    if (!done() && !Terminated()) Idle();
  });
}

void HeadlessEventLoop::Terminate(int exitCode) { tasks_.Terminate(exitCode); }

bool HeadlessEventLoop::Terminated() const { return tasks_.Terminated(); }

bool HeadlessEventLoop::OnLoopThread() const { return std::this_thread::get_id() == loopThread_; }

LocalTime HeadlessEventLoop::Now() const {
  using namespace std::chrono;
  const sys_days baseDay = year_month_day{year{base_.year}, month{unsigned(base_.month)}, day{unsigned(base_.day)}};
  const milliseconds baseMs = hours{base_.hour} + minutes{base_.minute} + seconds{base_.second} +
                              milliseconds{base_.millisecond};
  const sys_time<milliseconds> t = sys_time<milliseconds>{baseDay} + baseMs + milliseconds{now_.load()};
  const sys_days d = floor<days>(t);
  const year_month_day ymd{d};
  const hh_mm_ss<milliseconds> tod{t - d};
  LocalTime lt;
  lt.year = int(ymd.year());
  lt.month = int(unsigned(ymd.month()));
  lt.day = int(unsigned(ymd.day()));
  lt.hour = int(tod.hours().count());
  lt.minute = int(tod.minutes().count());
  lt.second = int(tod.seconds().count());
  lt.millisecond = int(tod.subseconds().count());
  lt.dayOfWeek = int(weekday{d}.c_encoding());
  return lt;
}

}  // namespace trv
