// The media devices of the SDL backend with the dummy drivers: one audio
// output for effects and media, plays that end on time with or without a
// sound card, frames drawn into their rect at their times, and closing that
// never waits on a decoder.
#include "platform/sdl/SdlMedia.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "SdlTestEnv.h"
#include "platform/Paths.h"
#include "platform/TraceEvents.h"
#include "platform/sdl/SdlPlatform.h"
#include "support/MediaFixtures.h"
#include "support/TestSupport.h"

namespace trv {
namespace {

using Clock = std::chrono::steady_clock;

long MsSince(Clock::time_point t) {
  return long(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count());
}

// Adds a constant to each channel of every frame.
class ConstantSource : public AudioSource {
 public:
  ConstantSource(int left, int right, int pieces = -1) : left_(left), right_(right), pieces_(pieces) {}
  bool MixInto(std::int32_t* mix, int frames) override {
    for (int i = 0; i < frames; ++i) {
      mix[2 * i] += left_;
      mix[2 * i + 1] += right_;
    }
    return pieces_ < 0 || --pieces_ > 0;
  }

 private:
  int left_, right_, pieces_;
};

TEST(SdlAudioOutTest, MixesEverySourceUnderTheGainAndClipsTheSum) {
  SdlAudioOut out;  // never opened: the test runs the mixing step itself
  out.Add(std::make_shared<ConstantSource>(10000, 10000));
  out.Add(std::make_shared<ConstantSource>(30000, -3000, 1));  // ends after one piece
  std::int16_t buf[8] = {};
  out.Mix(buf, 4);
  EXPECT_EQ(buf[0], 32767);  // 40000 clipped
  EXPECT_EQ(buf[1], 7000);
  EXPECT_EQ(buf[6], 32767);
  EXPECT_EQ(out.SourceCount(), 1u);
  out.SetGain(0x8000, 0);
  out.Mix(buf, 4);
  EXPECT_EQ(buf[0], 10000 * 0x8000 / 0xFFFF);
  EXPECT_EQ(buf[1], 0);
  std::uint16_t l = 0, r = 0;
  out.Gain(&l, &r);
  EXPECT_EQ(l, 0x8000);
  EXPECT_EQ(r, 0);
}

class SdlMediaTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir = new test::TempDir();
    std::string error;
    ASSERT_TRUE(test::WriteWav(*dir / "short.wav", 0.4));
    ASSERT_TRUE(test::WriteWav(*dir / "effect.wav", 3.0));
    ASSERT_TRUE(test::WriteMp3(*dir / "song.mp3", 2.0, 44100, &error)) << error;
    ASSERT_TRUE(test::WriteClip(*dir / "clip.avi", 64, 48, 25, 25, disc::ClipCodec::MotionJpeg, 4, &error)) << error;
  }
  static void TearDownTestSuite() {
    delete dir;
    dir = nullptr;
  }
  void SetUp() override { MakePlatform(); }
  void MakePlatform() {
    PlatformConfig config;
    config.settingsDir = settings.Path();
    platform = std::make_unique<SdlPlatform>(config);
    ASSERT_TRUE(platform->Ready()) << SDL_GetError();
    platform->Tracer().KeepLines(true);
  }
  static std::string Path(const std::string& name) { return ToWindowsPath(*dir / name); }
  // Runs the loop until `done` or `limitMs` passed; the milliseconds it took.
  template <typename F>
  long RunUntil(F done, long limitMs) {
    const auto start = Clock::now();
    while (!done() && MsSince(start) < limitMs) {
      platform->Loop().ProcessMessages();
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return MsSince(start);
  }
  void RunFor(long ms) {
    RunUntil([] { return false; }, ms);
  }
  MediaDevice::Notify Record() {
    return [this](MediaNotify v) { notes.push_back(MediaNotifyName(v)); };
  }
  SdlMediaStats& Stats() { return platform->RealMedia().Stats(); }

  static inline test::TempDir* dir = nullptr;
  test::TempDir settings;
  std::unique_ptr<SdlPlatform> platform;
  std::vector<std::string> notes;
};

TEST_F(SdlMediaTest, EffectsAndMusicPlayIntoOneOutputAndEndOnTime) {
  auto device = platform->Media().CreateDevice();
  ASSERT_TRUE(platform->Audio().PlaySound(Path("effect.wav"), SoundMode::Async));
  ASSERT_TRUE(platform->RealSound().HasDevice());
  ASSERT_EQ(device->Open(Path("short.wav")), mci::kOk);
  const auto start = Clock::now();
  ASSERT_EQ(device->Play(-1, -1, Record()), mci::kOk);
  EXPECT_EQ(platform->RealMedia().Output().SourceCount(), 2u);  // the effects' voice and the music's
  const long took = RunUntil([&] { return !notes.empty(); }, 3000);
  EXPECT_EQ(notes, (std::vector<std::string>{"successful"}));
  EXPECT_GE(took, 380);
  EXPECT_LT(MsSince(start), 1500);
  EXPECT_GE(Stats().audioStartUs.load(), 0);  // sound reached the output
  EXPECT_LT(Stats().audioStartUs.load(), 500000);
  MediaMode mode;
  device->Mode(&mode);
  EXPECT_EQ(mode, MediaMode::Stopped);
  // The ended play's voice leaves the output once it has played out.
  RunUntil([&] { return platform->RealMedia().Output().SourceCount() == 1; }, 2000);
  EXPECT_EQ(platform->RealMedia().Output().SourceCount(), 1u);

  // Music from the middle, paused and resumed: the pause does not count.
  notes.clear();
  ASSERT_EQ(device->Open(Path("song.mp3")), mci::kOk);
  ASSERT_EQ(device->Play(1500, -1, Record()), mci::kOk);
  RunFor(100);
  device->Pause();
  RunFor(500);
  EXPECT_TRUE(notes.empty());
  device->Resume(nullptr);
  const long rest = RunUntil([&] { return !notes.empty(); }, 3000);
  EXPECT_EQ(notes, (std::vector<std::string>{"successful"}));
  EXPECT_GE(rest, 300);
  EXPECT_LT(rest, 1500);
}

TEST_F(SdlMediaTest, WithoutASoundCardAFileStillPlaysItsLength) {
  platform.reset();
  const char* old = std::getenv("SDL_AUDIODRIVER");
  const std::string saved = old ? old : "";
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  MakePlatform();
  {
    test::LogCapture log;
    auto device = platform->Media().CreateDevice();
    ASSERT_EQ(device->Open(Path("short.wav")), mci::kOk);
    ASSERT_EQ(device->Play(-1, -1, Record()), mci::kOk);
    EXPECT_FALSE(platform->RealMedia().Output().HasDevice());
    const long took = RunUntil([&] { return !notes.empty(); }, 3000);
    EXPECT_EQ(notes, (std::vector<std::string>{"successful"}));
    EXPECT_GE(took, 380);
    EXPECT_LT(took, 1500);
    EXPECT_TRUE(log.Contains("silent")) << log.All();
  }
  platform.reset();
  setenv("SDL_AUDIODRIVER", saved.c_str(), 1);
}

TEST_F(SdlMediaTest, AClipIsDrawnIntoItsRectAtItsRateAndAPausedClipKeepsItsFrame) {
  auto window = platform->CreateWindow({"dialog", "Clip", Rect::FromSize(10, 10, 200, 150)});
  window->Show();
  auto device = platform->Media().CreateDevice();
  ASSERT_EQ(device->Open(Path("clip.avi")), mci::kOk);
  ASSERT_EQ(device->SetVideoWindow(window.get(), {10, 10, 0, 0}), mci::kOk);
  ASSERT_EQ(device->Play(-1, -1, Record()), mci::kOk);
  RunUntil([&] { return !notes.empty(); }, 4000);
  ASSERT_EQ(notes, (std::vector<std::string>{"successful"}));
  const std::int64_t shown = Stats().framesShown.load(), dropped = Stats().framesDropped.load();
  EXPECT_GE(shown + dropped, 24);  // every frame was either shown or overtaken
  EXPECT_GE(shown, 12);
  EXPECT_LE(Stats().framesLate.load(), 3);
  // The last frame is in the rect (JPEG: near its colour), nothing outside it.
  auto near = [](Color a, Color b) {
    return std::abs(RedOf(a) - RedOf(b)) < 16 && std::abs(GreenOf(a) - GreenOf(b)) < 16 &&
           std::abs(BlueOf(a) - BlueOf(b)) < 16;
  };
  const Bitmap& fb = window->Framebuffer();
  EXPECT_TRUE(near(fb.Pixel(10 + 50, 10 + 24), test::ClipColour(24))) << std::hex << fb.Pixel(60, 34);
  EXPECT_EQ(fb.Pixel(9, 9), MakeColor(255, 255, 255));
  EXPECT_EQ(fb.Pixel(74, 58), MakeColor(255, 255, 255));
  for (SdlWindow* w : platform->Windows()) EXPECT_NE(w->Role(), "clip");  // it had a window to go to

  // Paused, the frame stays and no new one comes.
  notes.clear();
  ASSERT_EQ(device->Play(0, -1, Record()), mci::kOk);
  RunFor(300);
  device->Pause();
  RunFor(50);
  const Color held = fb.Pixel(60, 34);
  const std::int64_t count = Stats().framesShown.load();
  RunFor(300);
  EXPECT_EQ(fb.Pixel(60, 34), held);
  EXPECT_EQ(Stats().framesShown.load(), count);
  Bitmap canvas(200, 150);
  device->DrawVideo(canvas);
  EXPECT_EQ(canvas.Pixel(60, 34), held);
  EXPECT_TRUE(notes.empty());
}

TEST_F(SdlMediaTest, ClosingOrDestroyingAPlayingDeviceNeverWaitsOnItsDecoders) {
  auto window = platform->CreateWindow({"dialog", "Clip", Rect::FromSize(10, 10, 200, 150)});
  for (int round = 0; round < 3; ++round) {
    auto music = platform->Media().CreateDevice();
    auto clip = platform->Media().CreateDevice();
    ASSERT_EQ(music->Open(Path("song.mp3")), mci::kOk);
    ASSERT_EQ(clip->Open(Path("clip.avi")), mci::kOk);
    clip->SetVideoWindow(window.get(), {0, 0, 120, 90});
    music->Play(-1, -1, Record());
    clip->Play(-1, -1, Record());
    RunFor(20 + round * 60);
    auto start = Clock::now();
    EXPECT_EQ(clip->Close(), mci::kOk);
    EXPECT_LT(MsSince(start), 300);
    start = Clock::now();
    music.reset();  // destroyed while it plays
    EXPECT_LT(MsSince(start), 300);
    RunFor(10);
  }
  // Only the closed clip told of its end; the destroyed music said nothing.
  EXPECT_EQ(notes, (std::vector<std::string>(3, "aborted")));
  EXPECT_EQ(platform->RealMedia().Output().SourceCount(), 0u);
}

}  // namespace
}  // namespace trv
