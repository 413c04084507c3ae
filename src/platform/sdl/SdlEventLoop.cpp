#include "platform/sdl/SdlEventLoop.h"

#include <climits>
#include <ctime>

#include "platform/LoopRules.h"
#include "platform/Log.h"
#include "platform/ThreadTimer.h"

namespace trv {
namespace {

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
  for (Beside& b : beside_) b.thread.join();
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

TimerId SdlEventLoop::SetTimer(std::uint32_t intervalMs, bool periodic, std::function<void()> fn) {
  return timers_.Set(NowMs(), intervalMs, periodic, std::move(fn));
}

void SdlEventLoop::KillTimer(TimerId id) { timers_.Kill(id); }

bool SdlEventLoop::TimerActive(TimerId id) const { return timers_.Active(id); }

bool SdlEventLoop::FireDue(std::uint64_t limit) {
  bool fired = false;
  while (!Terminated() && timers_.FireNext(limit, NowMs())) fired = true;
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

void SdlEventLoop::RunBeside(std::function<void()> work, std::function<void()> done) {
  for (auto it = beside_.begin(); it != beside_.end();) {
    if (it->finished->load()) {
      it->thread.join();
      it = beside_.erase(it);
    } else {
      ++it;
    }
  }
  auto finished = std::make_shared<std::atomic<bool>>(false);
  beside_.push_back({std::thread([this, work = std::move(work), done = std::move(done), finished]() mutable {
                       CallGuarded("work beside the loop", work);
                       Post(std::move(done));
                       finished->store(true);
                     }),
                     finished});
}

bool SdlEventLoop::PostAndWait(std::function<void()> task) {
  if (OnLoopThread()) {
    if (Terminated()) return false;
    CallGuarded("a posted task", task);
    return true;
  }
  return tasks_.PostAndWait(std::move(task), [this] { Wake(); });
}

bool SdlEventLoop::RunPosted() { return tasks_.RunAll(); }

void SdlEventLoop::Dispatch(SDL_Event& ev) {
  if (ev.type != wakeEvent_ && handler_) CallGuarded("a window event handler", [&] { handler_(ev); });
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
    if (timers_.Count()) {
      const std::uint64_t now = NowMs(), due = timers_.NextDue();
      timeout = due <= now ? 0 : int(std::min<std::uint64_t>(due - now, INT_MAX));
    }
    if (tasks_.HasWork()) timeout = 0;
    if (timeout != 0 && SDL_WaitEventTimeout(&ev, timeout) == 1) Dispatch(ev);
  } else if (wait && !busy) {
    // No SDL event queue: only timers and posted tasks can come.
    const std::uint64_t now = NowMs(), due = timers_.NextDue();
    const std::uint64_t waitMs = !timers_.Count() ? 1000 : (due > now ? due - now : 0);
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
  return modal_.Run(done, [this] { return Terminated(); }, [this] { Step(true); });
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
