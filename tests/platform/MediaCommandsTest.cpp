// The rules of the media command set both backends share: opening, modes,
// positions and time formats, the notifies, the video window and the trace.
// The engine is a fake and the loop a manual clock, so every case is exact.
#include "platform/MediaCommands.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <deque>
#include <regex>

#include "platform/Paths.h"
#include "platform/TimerQueue.h"
#include "platform/TraceEvents.h"
#include "support/TestSupport.h"

namespace trv {
namespace {

// A loop whose clock moves only in Advance; timers and posted tasks as the
// real loops run them.
class ManualLoop : public EventLoop, private Clock {
 public:
  Clock& GetClock() override { return *this; }
  std::uint64_t NowMs() const override { return now; }
  LocalTime Now() const override { return {}; }
  TimerId SetTimer(std::uint32_t ms, bool periodic, std::function<void()> fn) override {
    return timers.Set(now, ms, periodic, std::move(fn));
  }
  void KillTimer(TimerId id) override { timers.Kill(id); }
  bool TimerActive(TimerId id) const override { return timers.Active(id); }
  void Post(std::function<void()> task) override { posted.push_back(std::move(task)); }
  bool PostAndWait(std::function<void()> task) override {
    task();
    return true;
  }
  void RunBeside(std::function<void()> work, std::function<void()> done) override {
    work();
    Post(std::move(done));
  }
  void ProcessMessages() override { RunPosted(); }
  int Run() override { return 0; }
  bool RunModal(const std::function<bool()>&) override { return false; }
  int ModalDepth() const override { return 0; }
  void Terminate(int) override {}
  bool Terminated() const override { return false; }
  bool OnLoopThread() const override { return true; }
  std::unique_ptr<TimerThread> CreateTimerThread(std::function<void()>) override { return nullptr; }

  void Advance(std::uint64_t ms) {
    const std::uint64_t target = now + ms;
    RunPosted();
    while (timers.NextDue() <= target) {
      now = std::max(now, timers.NextDue());
      timers.FireNext(target, now);
      RunPosted();
    }
    now = target;
  }
  void RunPosted() {
    while (!posted.empty()) {
      auto task = std::move(posted.front());
      posted.pop_front();
      task();
    }
  }

  std::uint64_t now = 0;
  TimerQueue timers;
  std::deque<std::function<void()>> posted;
};

class FakeWindow : public Window {
 public:
  explicit FakeWindow(WindowOptions o) : options(std::move(o)), fb(options.bounds.Width(), options.bounds.Height()) {}
  const std::string& Role() const override { return options.role; }
  void SetEvents(WindowEvents*) override {}
  WindowEvents* Events() const override { return nullptr; }
  Bitmap& Framebuffer() override { return fb; }
  void Present() override { presented.push_back(fb.Bounds()); }
  void Present(const Rect& r) override { presented.push_back(r); }
  void SetBounds(const Rect& r) override { options.bounds = r; }
  Rect Bounds() const override { return options.bounds; }
  void Show() override { shown = "show"; }
  void ShowNoActivate() override { shown = "noactivate"; }
  void Hide() override { shown = "hidden"; }
  bool Visible() const override { return shown != "hidden"; }
  bool HasFocus() const override { return false; }
  void Minimize() override {}
  void Restore() override {}
  bool Minimized() const override { return false; }
  void Raise() override {}
  void SetTopmost(bool) override {}
  void SetRegion(const Polygon&) override {}
  void ClearRegion() override {}
  const Polygon* Region() const override { return nullptr; }
  void SetCaption(const std::string& c) override { options.caption = c; }
  const std::string& Caption() const override { return options.caption; }
  void SetIcon(const Bitmap&) override {}
  void SetCursor(Cursor) override {}
  void BeginDrag() override {}
  void SetMouseCapture(bool) override {}
  void AcceptFiles(bool) override {}
  void Close() override {}
  void SetFramed(bool) override {}
  bool Framed() const override { return false; }
  void Maximize() override {}
  void ShowNormal() override {}
  bool Maximized() const override { return false; }
  void SetColor(Color) override {}

  WindowOptions options;
  Bitmap fb;
  std::vector<Rect> presented;
  std::string shown = "hidden";
};

constexpr Color kFrame = MakeColor(200, 10, 30);

// Says what the header says it is told to, and writes down what it is asked.
class FakeEngine : public MediaEngine {
 public:
  struct Script {
    int openResult = mci::kOk;
    MediaInfo info;
    std::vector<std::string> calls;
    Size frameSize;
  };
  explicit FakeEngine(Script& s) : s_(s) {}
  int Open(FileHandle file, MediaInfo* info, std::string* why) override {
    s_.calls.push_back(file ? "open" : "open without a file");
    *info = s_.info;
    if (s_.openResult) *why = "the fake refuses";
    return s_.openResult;
  }
  void Close() override { s_.calls.push_back("close"); }
  void Start(std::int64_t from, std::int64_t to, PositionFn, ShowFn show) override {
    s_.calls.push_back("start " + std::to_string(from) + " " + std::to_string(to));
    if (s_.info.hasVideo) show(Bitmap(s_.info.natural.width, s_.info.natural.height, kFrame));
  }
  void Pause() override { s_.calls.push_back("pause"); }
  void Resume() override { s_.calls.push_back("resume"); }
  void Stop(bool end) override { s_.calls.push_back(end ? "stop end" : "stop"); }
  void SetFrameSize(Size size) override { s_.frameSize = size; }

 private:
  Script& s_;
};

MediaInfo Audio(std::int64_t ms) {
  MediaInfo i;
  i.hasAudio = true;
  i.lengthMs = ms;
  return i;
}

MediaInfo Video(std::int64_t ms, int num, int den, Size size) {
  MediaInfo i;
  i.hasVideo = true;
  i.lengthMs = ms;
  i.rateNum = num;
  i.rateDen = den;
  i.natural = size;
  return i;
}

class MediaCommandsTest : public ::testing::Test {
 protected:
  MediaCommandsTest() : trace([this] { return loop.now; }) {
    trace.KeepLines(true);
    test::WriteFile(dir / "Music" / "Song.MP3", std::string(100, 'x'));
    test::WriteFile(dir / "other.mp3", std::string(100, 'x'));
    device = Make();
  }
  std::unique_ptr<MediaCommandDevice> Make() {
    MediaHost host;
    host.loop = &loop;
    host.trace = &trace;
    host.createWindow = [this](const WindowOptions& o) {
      auto w = std::make_unique<FakeWindow>(o);
      made.push_back(w.get());
      return w;
    };
    host.screenSize = [] { return Size{800, 600}; };
    return std::make_unique<MediaCommandDevice>(std::move(host), 1, std::make_unique<FakeEngine>(script));
  }
  std::string Path(const std::string& name) { return ToWindowsPath(dir / name); }
  // Opens the song (found case-insensitively) with what the engine is told.
  void OpenSong(const MediaInfo& info) {
    script.info = info;
    ASSERT_EQ(device->Open(Path("music/song.mp3")), mci::kOk);
  }
  MediaDevice::Notify Record(const std::string& name) {
    return [this, name](MediaNotify v) {
      notes.push_back(name + " " + MediaNotifyName(v) + " @" + std::to_string(loop.now));
    };
  }
  std::int32_t Pos() {
    std::int32_t p = -1;
    EXPECT_EQ(device->Position(&p), mci::kOk);
    return p;
  }
  MediaMode CurrentMode() {
    MediaMode m = MediaMode::Open;
    device->Mode(&m);
    return m;
  }
  std::vector<std::string> TraceLines() {
    std::vector<std::string> out;
    static const std::regex file("\"file\":\"[^\"]*\"");
    for (const auto& l : trace.Lines()) out.push_back(std::regex_replace(l, file, "\"file\":F"));
    return out;
  }

  test::TempDir dir;
  ManualLoop loop;
  Trace trace;
  FakeEngine::Script script;
  std::vector<FakeWindow*> made;
  std::vector<std::string> notes;
  std::unique_ptr<MediaCommandDevice> device;
  test::LogCapture log;
};

TEST_F(MediaCommandsTest, APlayRunsToItsEndAndNotifiesOnceOnTheLoop) {
  OpenSong(Audio(1000));
  ASSERT_EQ(device->Play(-1, -1, Record("a")), mci::kOk);
  EXPECT_EQ(CurrentMode(), MediaMode::Playing);
  loop.Advance(999);
  EXPECT_TRUE(notes.empty());
  EXPECT_EQ(Pos(), 999);
  loop.Advance(1);
  loop.Advance(5000);
  EXPECT_EQ(notes, (std::vector<std::string>{"a successful @1000"}));
  EXPECT_EQ(CurrentMode(), MediaMode::Stopped);
  EXPECT_EQ(Pos(), 1000);
  EXPECT_EQ(script.calls, (std::vector<std::string>{"open", "start 0 1000", "stop end"}));

  // From the end there is nothing left to play: it ends at once.
  ASSERT_EQ(device->Play(-1, -1, Record("b")), mci::kOk);
  loop.Advance(TimerQueue::kMinInterval);
  EXPECT_EQ(notes.back(), "b successful @6010");
}

TEST_F(MediaCommandsTest, ANotifyIsSupersededAbortedOrDroppedButNeverRunInsideACall) {
  OpenSong(Audio(5000));
  device->Play(0, -1, Record("first"));
  device->Play(100, -1, Record("second"));
  EXPECT_TRUE(notes.empty());  // queued for the loop, not run inside Play
  loop.RunPosted();
  EXPECT_EQ(notes, (std::vector<std::string>{"first superseded @0"}));

  loop.Advance(50);
  device->Stop();
  device->Play(-1, -1, Record("third"));
  device->Seek(10);
  device->Play(-1, -1, Record("fourth"));
  device->Open(Path("other.mp3"));  // a new file supersedes the play of the old one
  loop.RunPosted();
  EXPECT_EQ(notes, (std::vector<std::string>{"first superseded @0", "second aborted @50", "third aborted @50",
                                             "fourth superseded @50"}));
  device->Play(-1, -1, Record("fifth"));
  device->Close();
  device->Play(-1, -1, Record("never"));  // closed: fails, its notify is not kept
  loop.Advance(10000);
  EXPECT_EQ(notes.back(), "fifth aborted @50");

  // Destroying the device drops what it queued and ends the play.
  notes.clear();
  device->Open(Path("other.mp3"));
  device->Play(-1, -1, Record("gone"));
  device->Stop();
  device.reset();
  loop.Advance(10000);
  EXPECT_TRUE(notes.empty());
}

TEST_F(MediaCommandsTest, PauseHoldsThePositionAndResumeGoesOnWithTheSameOrANewNotify) {
  OpenSong(Audio(1000));
  EXPECT_EQ(device->Pause(), mci::kOk);  // nothing plays: nothing happens
  EXPECT_EQ(device->Resume(Record("x")), mci::kNonApplicable);
  EXPECT_EQ(CurrentMode(), MediaMode::Stopped);

  device->Play(0, -1, Record("play"));
  loop.Advance(300);
  device->Pause();
  loop.Advance(10000);
  EXPECT_EQ(Pos(), 300);
  EXPECT_EQ(CurrentMode(), MediaMode::Paused);
  EXPECT_TRUE(notes.empty());
  EXPECT_EQ(device->Resume(nullptr), mci::kOk);
  loop.Advance(400);
  EXPECT_EQ(Pos(), 700);
  device->Pause();
  // A resume with a notify of its own takes over the play's.
  device->Resume(Record("resume"));
  loop.Advance(300);
  EXPECT_EQ(notes, (std::vector<std::string>{"play superseded @10700", "resume successful @11000"}));
  EXPECT_EQ(script.calls, (std::vector<std::string>{"open", "start 0 1000", "pause", "resume", "pause", "resume",
                                                    "stop end"}));
}

TEST_F(MediaCommandsTest, RangesAndTimeFormats) {
  OpenSong(Audio(1000));
  EXPECT_EQ(device->Play(1001, -1, Record("a")), mci::kOutOfRange);
  EXPECT_EQ(device->Play(600, 500, Record("b")), mci::kOutOfRange);
  EXPECT_EQ(device->Seek(1001), mci::kOutOfRange);
  EXPECT_EQ(device->SetTimeFormat(MediaTimeFormat::Frames), mci::kBadTimeFormat);
  ASSERT_EQ(device->Play(200, 500, Record("span")), mci::kOk);
  loop.Advance(300);
  EXPECT_EQ(notes, (std::vector<std::string>{"span successful @300"}));
  EXPECT_EQ(Pos(), 500);
  EXPECT_TRUE(notes.size() == 1 && script.calls.back() == "stop end");

  // A clip at 30000/1001 frames a second: frames round down, a sought frame
  // reads back as itself.
  OpenSong(Video(10010, 30000, 1001, {64, 48}));
  std::int32_t length = 0;
  ASSERT_EQ(device->SetTimeFormat(MediaTimeFormat::Frames), mci::kOk);
  device->Length(&length);
  EXPECT_EQ(length, 300);
  for (std::int32_t f : {0, 1, 29, 150, 299, 300}) {
    ASSERT_EQ(device->Seek(f), mci::kOk);
    EXPECT_EQ(Pos(), f);
  }
  EXPECT_EQ(device->Seek(301), mci::kOutOfRange);
  device->Play(30, 60, Record("frames"));  // one second
  loop.Advance(1001);
  EXPECT_EQ(notes.back(), "frames successful @1301");
  device->SetTimeFormat(MediaTimeFormat::Milliseconds);
  EXPECT_EQ(Pos(), 2002);
  // Every Open starts in milliseconds again.
  OpenSong(Video(2000, 25, 1, {64, 48}));
  device->Length(&length);
  EXPECT_EQ(length, 2000);
}

TEST_F(MediaCommandsTest, WithoutAnOpenFileTheCallsRefuseAndOpenFailuresSayWhy) {
  std::int32_t v = 7;
  MediaMode m = MediaMode::Playing;
  EXPECT_EQ(device->Close(), mci::kOk);
  EXPECT_EQ(device->Play(-1, -1, Record("never")), mci::kNotOpen);
  EXPECT_EQ(device->Stop(), mci::kNotOpen);
  EXPECT_EQ(device->Pause(), mci::kNotOpen);
  EXPECT_EQ(device->Resume(nullptr), mci::kNotOpen);
  EXPECT_EQ(device->Seek(0), mci::kNotOpen);
  EXPECT_EQ(device->SetTimeFormat(MediaTimeFormat::Milliseconds), mci::kNotOpen);
  EXPECT_EQ(device->Length(&v), mci::kNotOpen);
  EXPECT_EQ(device->Position(&v), mci::kNotOpen);
  EXPECT_EQ(v, 0);
  EXPECT_EQ(device->Mode(&m), mci::kNotOpen);
  EXPECT_EQ(m, MediaMode::NotReady);
  EXPECT_EQ(device->SetVideoWindow(nullptr, {}), mci::kNotOpen);
  EXPECT_EQ(device->ErrorString(mci::kFileNotFound), "The file was not found.");

  EXPECT_EQ(device->Open(Path("missing.mp3")), mci::kFileNotFound);
  EXPECT_TRUE(script.calls.empty());  // the engine never saw it
  script.openResult = mci::kUnsupportedFormat;
  EXPECT_EQ(device->Open(Path("music/song.mp3")), mci::kUnsupportedFormat);
  EXPECT_FALSE(device->IsOpen());
  // A header that describes nothing playable is not taken either.
  script.openResult = mci::kOk;
  script.info = Video(1000, 0, 1, {64, 48});
  EXPECT_EQ(device->Open(Path("music/song.mp3")), mci::kInvalidFile);
  ASSERT_EQ(log.Lines().size(), 3u) << log.All();
  EXPECT_TRUE(log.Contains("missing.mp3: no such file"));
  EXPECT_TRUE(log.Contains("song.mp3: the fake refuses"));
  EXPECT_TRUE(log.Contains("song.mp3: the header describes no playable stream"));
  loop.Advance(1000);
  EXPECT_TRUE(notes.empty());
}

TEST_F(MediaCommandsTest, VideoGoesIntoTheRectOfTheWindowOrAWindowOfItsOwn) {
  OpenSong(Video(2000, 25, 1, {40, 30}));
  FakeWindow dialog({"dialog", "", {0, 0, 200, 100}});
  Bitmap canvas(200, 100);
  device->DrawVideo(canvas);
  EXPECT_EQ(canvas, Bitmap(200, 100));  // no frame yet

  // Natural size at left, top.
  ASSERT_EQ(device->SetVideoWindow(&dialog, {10, 20, 0, 0}), mci::kOk);
  EXPECT_EQ(script.frameSize, (Size{40, 30}));
  device->Play(-1, -1, nullptr);
  EXPECT_TRUE(made.empty());
  EXPECT_EQ(dialog.fb.Pixel(10, 20), kFrame);
  EXPECT_EQ(dialog.fb.Pixel(49, 49), kFrame);
  EXPECT_NE(dialog.fb.Pixel(50, 50), kFrame);
  EXPECT_NE(dialog.fb.Pixel(9, 20), kFrame);
  EXPECT_EQ(dialog.presented.back(), (Rect{10, 20, 50, 50}));

  // Scaled into a rect, partly outside the window: clipped, presented clipped.
  dialog.fb = Bitmap(200, 100);
  ASSERT_EQ(device->SetVideoWindow(&dialog, {180, 50, 260, 110}), mci::kOk);
  EXPECT_EQ(dialog.fb.Pixel(199, 99), kFrame);
  EXPECT_NE(dialog.fb.Pixel(179, 99), kFrame);
  EXPECT_EQ(dialog.presented.back(), (Rect{180, 50, 200, 100}));
  // A window that repaints itself paints the last frame back.
  canvas = Bitmap(200, 100);
  device->DrawVideo(canvas);
  EXPECT_EQ(canvas.Pixel(180, 50), kFrame);
  EXPECT_NE(canvas.Pixel(179, 50), kFrame);
  // Hidden (its place shows no more), frames leave the window alone.
  device->ShowVideo(false);
  dialog.fb = Bitmap(200, 100);
  const std::size_t presents = dialog.presented.size();
  ASSERT_EQ(device->SetVideoWindow(&dialog, {10, 20, 0, 0}), mci::kOk);
  EXPECT_NE(dialog.fb.Pixel(10, 20), kFrame);
  EXPECT_EQ(dialog.presented.size(), presents);
  device->ShowVideo(true);

  // Given back: a borderless window of its own, natural size, centred, that
  // never takes the keyboard.
  ASSERT_EQ(device->SetVideoWindow(nullptr, {}), mci::kOk);
  ASSERT_EQ(made.size(), 1u);
  FakeWindow& own = *made[0];
  EXPECT_EQ(own.options.role, "clip");
  EXPECT_TRUE(own.options.noActivate);
  EXPECT_EQ(own.options.caption, "song.mp3");
  EXPECT_EQ(own.options.bounds, Rect::FromSize(380, 285, 40, 30));
  EXPECT_EQ(own.shown, "noactivate");
  EXPECT_EQ(own.fb.Pixel(39, 29), kFrame);
  EXPECT_EQ(device->OwnWindow(), &own);
  device->Close();
  EXPECT_EQ(device->OwnWindow(), nullptr);
  EXPECT_FALSE(device->HasFrame());

  // A video larger than the screen gets a window of the screen's width.
  OpenSong(Video(1000, 25, 1, {1600, 900}));
  device->Play(-1, -1, nullptr);
  ASSERT_EQ(made.size(), 2u);
  EXPECT_EQ(made[1]->options.bounds, Rect::FromSize(0, 75, 800, 450));
  EXPECT_EQ(script.frameSize, (Size{800, 450}));
  EXPECT_EQ(made[1]->fb.Pixel(799, 449), kFrame);
}

TEST_F(MediaCommandsTest, EveryCallThatMattersIsTraced) {
  device->Stop();
  device->Open(Path("missing.mp3"));
  OpenSong(Video(2000, 25, 1, {40, 30}));
  device->Play(0, 1000, Record("a"));
  loop.Advance(100);
  device->Pause();
  device->Resume(nullptr);
  device->Seek(500);
  device->Play(-1, -1, nullptr);
  device->Stop();
  device->Close();
  EXPECT_EQ(TraceLines(),
            (std::vector<std::string>{
                R"({"t":0,"ev":"media","device":1,"op":"stop","result":263})",
                R"({"t":0,"ev":"media","device":1,"op":"open","file":F,"result":275})",
                R"({"t":0,"ev":"media","device":1,"op":"open","file":F,"result":0,"length":2000,"video":true})",
                R"({"t":0,"ev":"media","device":1,"op":"play","from":0,"to":1000})",
                R"({"t":0,"ev":"media","device":1,"op":"video","window":"clip","left":0,"top":0,"width":40,"height":30})",
                R"({"t":100,"ev":"media","device":1,"op":"pause"})",
                R"({"t":100,"ev":"media","device":1,"op":"resume"})",
                R"({"t":100,"ev":"media","device":1,"op":"notify","value":"aborted"})",
                R"({"t":100,"ev":"media","device":1,"op":"seek","to":500})",
                R"({"t":100,"ev":"media","device":1,"op":"play","from":500,"to":2000})",
                R"({"t":100,"ev":"media","device":1,"op":"stop"})",
                R"({"t":100,"ev":"media","device":1,"op":"close"})"}));
}

TEST(MediaFileTest, OpeningGivesTheCodeOfWhatIsInPlaceOfTheFile) {
  test::TempDir dir;
  test::WriteFile(dir / "Clips" / "Intro.AVI", std::string(10, 'x'));
  test::WriteFile(dir / "empty.wav", std::string());
  std::filesystem::create_directories(dir / "folder.mp3");
  ASSERT_EQ(mkfifo((dir / "pipe.mp3").c_str(), 0600), 0);
  auto code = [&](const std::string& name) { return OpenMediaFile(ToWindowsPath(dir / name)).code; };

  const MediaFileOpen ok = OpenMediaFile(ToWindowsPath(dir / "clips/intro.avi"));
  EXPECT_EQ(ok.code, mci::kOk);
  EXPECT_TRUE(ok.file);
  EXPECT_EQ(ok.size, 10u);
  EXPECT_EQ(code("missing.avi"), mci::kFileNotFound);
  EXPECT_EQ(code("clips/missing/x.avi"), mci::kFileNotFound);
  EXPECT_EQ(OpenMediaFile("").code, mci::kFileNotFound);
  EXPECT_EQ(code("empty.wav"), mci::kInvalidFile);
  EXPECT_EQ(code("folder.mp3"), mci::kFileRead);
  // A FIFO without a writer: refused at once, never waited on.
  const auto start = std::chrono::steady_clock::now();
  const MediaFileOpen pipe = OpenMediaFile(ToWindowsPath(dir / "pipe.mp3"));
  EXPECT_EQ(pipe.code, mci::kFileRead);
  EXPECT_FALSE(pipe.file);
  EXPECT_NE(pipe.why.find("FIFO"), std::string::npos);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  if (geteuid() != 0) {  // the superuser reads everything
    test::WriteFile(dir / "locked.mp3", std::string(10, 'x'));
    chmod((dir / "locked.mp3").c_str(), 0);
    EXPECT_EQ(code("locked.mp3"), mci::kFileRead);
  }
}

TEST(MediaFramesTest, ScaledDrawingAndTheVolumeWord) {
  // 2x2 picture, each pixel its own colour, scaled to 4x4 at 1,1.
  Bitmap src(2, 2);
  src.SetPixel(0, 0, MakeColor(1, 0, 0));
  src.SetPixel(1, 0, MakeColor(2, 0, 0));
  src.SetPixel(0, 1, MakeColor(3, 0, 0));
  src.SetPixel(1, 1, MakeColor(4, 0, 0));
  Bitmap dst(6, 6, MakeColor(9, 9, 9));
  DrawScaled(dst, {1, 1, 5, 5}, src);
  EXPECT_EQ(dst.Pixel(1, 1), MakeColor(1, 0, 0));
  EXPECT_EQ(dst.Pixel(2, 2), MakeColor(1, 0, 0));
  EXPECT_EQ(dst.Pixel(3, 1), MakeColor(2, 0, 0));
  EXPECT_EQ(dst.Pixel(1, 4), MakeColor(3, 0, 0));
  EXPECT_EQ(dst.Pixel(4, 4), MakeColor(4, 0, 0));
  EXPECT_EQ(dst.Pixel(5, 5), MakeColor(9, 9, 9));
  EXPECT_EQ(dst.Pixel(0, 0), MakeColor(9, 9, 9));
  // Far outside the picture, or shrunk to nothing: no write out of bounds.
  DrawScaled(dst, {-100, -100, 3, 3}, src);
  EXPECT_EQ(dst.Pixel(2, 2), MakeColor(4, 0, 0));
  DrawScaled(dst, {10, 10, 2000, 2000}, src);
  DrawScaled(dst, {3, 3, 3, 9}, src);

  EXPECT_EQ(MsToFrames(999, 25, 1), 24);
  EXPECT_EQ(FramesToMs(25, 25, 1), 1000);
  EXPECT_EQ(MsToFrames(1000, 0, 1), 0);  // no rate: no frames, no division by zero

  WaveVolumeStore v;
  std::uint16_t l = 0, r = 0;
  v.Get(&l, &r);
  EXPECT_EQ(l, 0xFFFF);
  EXPECT_EQ(r, 0xFFFF);
  v.Set(30000, 45000);
  v.Get(&l, &r);
  EXPECT_EQ(l, 30000);
  EXPECT_EQ(r, 45000);
}

}  // namespace
}  // namespace trv
