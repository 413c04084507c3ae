#include "platform/sdl/SdlEventLoop.h"

#include <climits>
#include <ctime>

#include "platform/Log.h"
#include "platform/ThreadTimer.h"

namespace trv {
namespace {

// The shortest window timer, as the system enforces it.
constexpr std::uint32_t kMinTimerInterval = 10;
// Input events handled per round, so that handlers that queue events of their
// own cannot keep timers and posted tasks from running.
constexpr int kMaxEventsPerStep = 256;

}  // namespace

SdlEventLoop::SdlEventLoop()
    : start_(std::chrono::steady_clock::now()), loopThread_(std::this_thread::get_id()) {
  if (SDL_InitSubSystem(SDL_INIT_EVENTS) == 0) {
    eventsInit_ = true;
    wakeEvent_ = SDL_RegisterEvents(1);
  } else {
    Log("sdl", std::string("cannot start the event queue: ") + SDL_GetError());
  }
  if (wakeEvent_ == Uint32(-1)) wakeEvent_ = 0;
}

SdlEventLoop::~SdlEventLoop() {
  Terminate(ExitCode());
  if (eventsInit_) SDL_QuitSubSystem(SDL_INIT_EVENTS);
}

std::uint64_t SdlEventLoop::NowMs() const {
  using namespace std::chrono;
  return std::uint64_t(duration_cast<milliseconds>(steady_clock::now() - start_).count());
}

LocalTime SdlEventLoop::Now() const {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  std::tm tm{};
  localtime_r(&ts.tv_sec, &tm);
  LocalTime lt;
  lt.year = tm.tm_year + 1900;
  lt.month = tm.tm_mon + 1;
  lt.day = tm.tm_mday;
  lt.hour = tm.tm_hour;
  lt.minute = tm.tm_min;
  lt.second = tm.tm_sec > 59 ? 59 : tm.tm_sec;  // a leap second reads as :59
  lt.millisecond = int(ts.tv_nsec / 1000000);
  lt.dayOfWeek = tm.tm_wday;
  return lt;
}

void SdlEventLoop::Schedule(TimerId id, Timer& t) {
  t.generation = ++nextGeneration_;
  heap_.push({t.due, nextOrder_++, id, t.generation});
}

TimerId SdlEventLoop::SetTimer(std::uint32_t intervalMs, bool periodic, std::function<void()> fn) {
  if (intervalMs < kMinTimerInterval) intervalMs = kMinTimerInterval;
  const TimerId id = nextId_++;
  Timer& t = timers_[id];
  t.due = NowMs() + intervalMs;
  t.interval = intervalMs;
  t.periodic = periodic;
  t.fn = std::make_shared<std::function<void()>>(std::move(fn));
  Schedule(id, t);
  return id;
}

void SdlEventLoop::KillTimer(TimerId id) {
  timers_.erase(id);  // its heap entry is dropped when it reaches the top
}

bool SdlEventLoop::TimerActive(TimerId id) const { return timers_.count(id) != 0; }

void SdlEventLoop::PruneHeap() {
  while (!heap_.empty()) {
    const HeapEntry& top = heap_.top();
    auto it = timers_.find(top.id);
    if (it != timers_.end() && it->second.generation == top.generation) return;
    heap_.pop();
  }
}

bool SdlEventLoop::FireDue(std::uint64_t limit) {
  bool fired = false;
  for (;;) {
    PruneHeap();
    if (heap_.empty() || heap_.top().due > limit) break;
    const HeapEntry entry = heap_.top();
    heap_.pop();
    auto it = timers_.find(entry.id);
    Timer& t = it->second;
    auto fn = t.fn;  // keeps the callable alive when the timer kills itself
    if (t.periodic) {
      // Keeps the rhythm, but a loop that was blocked gets one call, not a burst.
      const std::uint64_t now = NowMs();
      t.due += t.interval;
      if (t.due <= now) t.due = now + t.interval;
      Schedule(entry.id, t);
    } else {
      timers_.erase(it);
    }
    (*fn)();
    fired = true;
    if (Terminated()) break;
  }
  return fired;
}

void SdlEventLoop::Wake() {
  if (!wakeEvent_) return;
  SDL_Event ev{};
  ev.type = wakeEvent_;
  if (SDL_PushEvent(&ev) < 0) tasks_.ClearWakePending();
}

void SdlEventLoop::Post(std::function<void()> task) {
  bool wake = false;
  if (tasks_.Post(std::move(task), &wake) && wake) Wake();
}

bool SdlEventLoop::PostAndWait(std::function<void()> task) {
  if (OnLoopThread()) {
    if (Terminated()) return false;
    task();
    return true;
  }
  return tasks_.PostAndWait(std::move(task), [this] { Wake(); });
}

bool SdlEventLoop::RunPosted() { return tasks_.RunAll(); }

void SdlEventLoop::Dispatch(SDL_Event& ev) {
  if (ev.type != wakeEvent_ && handler_) handler_(ev);
  if (ev.type == SDL_DROPFILE || ev.type == SDL_DROPTEXT) SDL_free(ev.drop.file);
}

void SdlEventLoop::Step(bool wait) {
  bool busy = RunPosted();
  if (Terminated()) return;
  busy |= FireDue(NowMs());
  if (Terminated()) return;

  SDL_Event ev;
  if (wait && !busy && eventsInit_) {
    int timeout = -1;
    PruneHeap();
    if (!heap_.empty()) {
      const std::uint64_t now = NowMs(), due = heap_.top().due;
      timeout = due <= now ? 0 : int(std::min<std::uint64_t>(due - now, INT_MAX));
    }
    if (tasks_.HasWork()) timeout = 0;
    if (timeout != 0 && SDL_WaitEventTimeout(&ev, timeout) == 1) Dispatch(ev);
  } else if (wait && !busy) {
    // No SDL event queue: only timers and posted tasks can come.
    PruneHeap();
    const std::uint64_t now = NowMs();
    const std::uint64_t waitMs = heap_.empty() ? 1000 : (heap_.top().due > now ? heap_.top().due - now : 0);
    tasks_.WaitForWork(std::chrono::milliseconds(waitMs));
  }
  for (int i = 0; i < kMaxEventsPerStep && eventsInit_ && !Terminated() && SDL_PollEvent(&ev); ++i)
    Dispatch(ev);
}

void SdlEventLoop::ProcessMessages() { Step(false); }

int SdlEventLoop::Run() {
  while (!Terminated()) Step(true);
  return ExitCode();
}

bool SdlEventLoop::RunModal(const std::function<bool()>& done) {
  for (;;) {
    if (done()) return true;
    if (Terminated()) return false;
    Step(true);
  }
}

void SdlEventLoop::Terminate(int exitCode) {
  tasks_.Terminate(exitCode);
  Wake();  // a loop waiting for input returns and sees the end
}

bool SdlEventLoop::Terminated() const { return tasks_.Terminated(); }

int SdlEventLoop::ExitCode() const { return tasks_.ExitCode(); }

std::unique_ptr<TimerThread> SdlEventLoop::CreateTimerThread(std::function<void()> tick) {
  return CreateThreadTimer(*this, std::move(tick));
}

bool SdlEventLoop::OnLoopThread() const { return std::this_thread::get_id() == loopThread_; }

}  // namespace trv
