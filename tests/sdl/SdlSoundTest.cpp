#include "platform/sdl/SdlSound.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <regex>
#include <thread>

#include "SdlTestEnv.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "platform/sdl/SdlEventLoop.h"
#include "support/TestSupport.h"

namespace trv {
namespace {

using Clock = std::chrono::steady_clock;

// A 16-bit mono WAV of `ms` milliseconds of a quiet square wave.
std::string Wav(int ms, int rate = 8000) {
  const std::uint32_t frames = std::uint32_t(rate) * std::uint32_t(ms) / 1000;
  std::string b;
  auto put32 = [&](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(char(v >> (8 * i)));
  };
  auto put16 = [&](std::uint32_t v) {
    b.push_back(char(v));
    b.push_back(char(v >> 8));
  };
  b += "RIFF";
  put32(36 + frames * 2);
  b += "WAVEfmt ";
  put32(16);
  put16(1);
  put16(1);
  put32(std::uint32_t(rate));
  put32(std::uint32_t(rate) * 2);
  put16(2);
  put16(16);
  b += "data";
  put32(frames * 2);
  for (std::uint32_t i = 0; i < frames; ++i) put16((i / 20) % 2 ? 0x0400 : 0xFC00);
  return b;
}

class SdlSoundTest : public ::testing::Test {
 protected:
  SdlSoundTest() : trace_([this] { return loop_.NowMs(); }) { trace_.KeepLines(true); }

  std::string MakeWav(const std::string& name, int ms) {
    test::WriteFile(dir_ / name, Wav(ms));
    return ToWindowsPath(dir_ / name);
  }
  // Waits (up to `limitMs`) until nothing plays; the milliseconds it took.
  static long WaitSilent(const SdlSound& s, int limitMs) {
    const auto start = Clock::now();
    while (s.SoundPlaying() && Clock::now() - start < std::chrono::milliseconds(limitMs))
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return long(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
  }
  std::vector<std::string> SoundTrace() {
    std::vector<std::string> out;
    static const std::regex stamp("\"t\":[0-9]+,");
    for (const std::string& l : trace_.Lines()) out.push_back(std::regex_replace(l, stamp, ""));
    return out;
  }

  test::TempDir dir_;
  SdlEventLoop loop_;
  Trace trace_;
};

TEST_F(SdlSoundTest, NoStopDropsWhilePlayingAndPlaysAfterwards) {
  const std::string first = MakeWav("first.wav", 400);
  const std::string second = MakeWav("second.wav", 100);
  SdlSound sound(loop_, trace_);
  ASSERT_TRUE(sound.PlaySound(first, SoundMode::Async));
  ASSERT_TRUE(sound.HasDevice());
  EXPECT_TRUE(sound.SoundPlaying());
  EXPECT_FALSE(sound.PlaySound(second, SoundMode::AsyncNoStop));
  EXPECT_TRUE(sound.SoundPlaying());  // the first goes on
  WaitSilent(sound, 5000);
  EXPECT_FALSE(sound.SoundPlaying());
  EXPECT_TRUE(sound.PlaySound(second, SoundMode::AsyncNoStop));
  WaitSilent(sound, 5000);

  const std::string f = Cp1251ToUtf8(first), s = Cp1251ToUtf8(second);
  auto quoted = [](const std::string& p) { return JsonQuote(p); };
  EXPECT_EQ(SoundTrace(),
            (std::vector<std::string>{
                R"({"ev":"sound","file":)" + quoted(f) + R"(,"mode":"async","played":true})",
                R"({"ev":"sound","file":)" + quoted(s) + R"(,"mode":"nostop","played":false})",
                R"({"ev":"sound","file":)" + quoted(s) + R"(,"mode":"nostop","played":true})"}));
}

TEST_F(SdlSoundTest, AsyncCutsOffThePlayingSound) {
  const std::string longSound = MakeWav("long.wav", 4000);
  const std::string shortSound = MakeWav("short.wav", 100);
  SdlSound sound(loop_, trace_);
  ASSERT_TRUE(sound.PlaySound(longSound, SoundMode::Async));
  ASSERT_TRUE(sound.PlaySound(shortSound, SoundMode::Async));
  EXPECT_TRUE(sound.SoundPlaying());
  // Were the long sound still playing, this would take four seconds.
  EXPECT_LT(WaitSilent(sound, 3000), 2500);
  EXPECT_FALSE(sound.SoundPlaying());

  ASSERT_TRUE(sound.PlaySound(longSound, SoundMode::Async));
  sound.StopSound();
  EXPECT_FALSE(sound.SoundPlaying());
}

TEST_F(SdlSoundTest, SyncReturnsWhenTheSoundHasEnded) {
  const std::string path = MakeWav("sync.wav", 300);
  SdlSound sound(loop_, trace_);
  const auto start = Clock::now();
  ASSERT_TRUE(sound.PlaySound(path, SoundMode::Sync));
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
  EXPECT_FALSE(sound.SoundPlaying());
  EXPECT_GE(took, 150);  // it did wait for the sound, give or take the device's buffering
}

TEST_F(SdlSoundTest, MissingOrBadFilesPlayNothing) {
  const std::string playing = MakeWav("ok.wav", 3000);
  test::WriteFile(dir_ / "bad.wav", std::string("RIFF\x04\0\0\0WAVEjunk", 16));
  SdlSound sound(loop_, trace_);
  test::LogCapture log;
  EXPECT_FALSE(sound.PlaySound(ToWindowsPath(dir_ / "missing.wav"), SoundMode::Async));
  EXPECT_FALSE(sound.PlaySound(ToWindowsPath(dir_ / "bad.wav"), SoundMode::Sync));
  EXPECT_FALSE(sound.PlaySound("", SoundMode::Async));
  EXPECT_FALSE(sound.SoundPlaying());
  EXPECT_TRUE(log.Contains("no fmt chunk")) << log.All();

  // A file that cannot be played still stops the sound that plays, as the
  // system's player does.
  ASSERT_TRUE(sound.PlaySound(playing, SoundMode::Async));
  EXPECT_FALSE(sound.PlaySound(ToWindowsPath(dir_ / "missing.wav"), SoundMode::Async));
  EXPECT_FALSE(sound.SoundPlaying());
  for (const std::string& line : SoundTrace()) {
    if (line.find("missing") != std::string::npos) {
      EXPECT_NE(line.find("\"played\":false"), std::string::npos);
    }
  }
}

TEST_F(SdlSoundTest, WithoutADeviceSoundsLastTheirLengthSilently) {
  const std::string path = MakeWav("quiet.wav", 300);
  const char* old = std::getenv("SDL_AUDIODRIVER");
  const std::string saved = old ? old : "";
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  test::LogCapture log;
  {
    SdlSound sound(loop_, trace_);
    ASSERT_TRUE(sound.PlaySound(path, SoundMode::Async));
    EXPECT_FALSE(sound.HasDevice());
    EXPECT_TRUE(sound.SoundPlaying());
    EXPECT_FALSE(sound.PlaySound(path, SoundMode::AsyncNoStop));
    std::this_thread::sleep_for(std::chrono::milliseconds(350));
    EXPECT_FALSE(sound.SoundPlaying());
    EXPECT_TRUE(sound.PlaySound(path, SoundMode::AsyncNoStop));
    EXPECT_TRUE(sound.PlaySound(path, SoundMode::Sync));
    EXPECT_FALSE(sound.SoundPlaying());
  }
  setenv("SDL_AUDIODRIVER", saved.c_str(), 1);
  int reports = 0;
  for (const std::string& l : log.Lines()) reports += l.find("silent") != std::string::npos;
  EXPECT_EQ(reports, 1) << log.All();  // said once, not for every sound
}

}  // namespace
}  // namespace trv
