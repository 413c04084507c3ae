#include "platform/SoundPlayer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/Paths.h"
#include "support/TestSupport.h"

namespace trv {
namespace {

// A PCM WAV of `ms` milliseconds, 1 kHz mono 8-bit: "RIFF", "WAVE", "fmt ",
// "data" and their fields as little-endian words, then the samples.
std::string Wav(std::uint32_t ms) {
  std::string s;
  for (std::uint32_t v : {0x46464952u, 36 + ms, 0x45564157u, 0x20746D66u, 16u, 0x00010001u, 1000u, 1000u,
                          0x00080001u, 0x61746164u, ms})
    for (int i = 0; i < 4; ++i) s.push_back(char(v >> (8 * i)));
  return s.append(ms, char(128));
}

// A device that plays by a clock the test moves, and writes what it is asked.
class ScriptedPlayer : public SoundPlayer {
 public:
  explicit ScriptedPlayer(Trace& trace) : SoundPlayer(trace) {}
  std::uint64_t now = 0, until = 0;
  bool refuse = false, stall = false;  // the device cannot play what it gets; a wait gives up
  std::vector<std::string> calls;

 protected:
  bool DeviceStart(LoadedSound sound, std::string* error) override {
    calls.push_back("start " + std::to_string(sound.wav.DurationMs()));
    if (refuse) *error = "device refused";
    else until = now + sound.wav.DurationMs();
    return !refuse;
  }
  void DeviceStop() override {
    if (DevicePlaying()) calls.push_back("stop");
    until = 0;
  }
  bool DevicePlaying() const override { return now < until; }
  bool DeviceWait(std::uint64_t lengthMs) override {
    calls.push_back("wait " + std::to_string(lengthMs));
    if (!stall) now += lengthMs;
    return !stall;
  }
};

class SoundPlayerTest : public ::testing::Test {
 protected:
  SoundPlayerTest() : trace_([this] { return player_.now; }), player_(trace_) {
    trace_.KeepLines(true);
    test::WriteFile(dir_ / "long.wav", Wav(500));
    test::WriteFile(dir_ / "short.wav", Wav(100));
    test::WriteFile(dir_ / "bad.wav", std::string("RIFF\x04\0\0\0WAVEjunk", 16));
  }
  std::string Path(const std::string& name) { return ToWindowsPath(dir_ / name); }
  std::string Line(std::uint64_t t, const std::string& name, const char* mode, bool played) {
    return "{\"t\":" + std::to_string(t) + ",\"ev\":\"sound\",\"file\":" + JsonQuote(Path(name)) +
           ",\"mode\":\"" + mode + "\",\"played\":" + (played ? "true" : "false") + "}";
  }

  test::TempDir dir_;
  Trace trace_;
  ScriptedPlayer player_;
  test::LogCapture log_;
};

TEST_F(SoundPlayerTest, NoStopIsDroppedWhileASoundPlaysAndAsyncCutsItOff) {
  EXPECT_TRUE(player_.PlaySound(Path("long.wav"), SoundMode::Async));
  player_.now = 400;
  EXPECT_FALSE(player_.PlaySound(Path("short.wav"), SoundMode::AsyncNoStop));
  EXPECT_TRUE(player_.SoundPlaying());  // the long one goes on
  EXPECT_TRUE(player_.PlaySound(Path("short.wav"), SoundMode::Async));
  player_.now = 500;
  EXPECT_FALSE(player_.SoundPlaying());
  EXPECT_TRUE(player_.PlaySound(Path("short.wav"), SoundMode::AsyncNoStop));
  EXPECT_EQ(player_.calls, (std::vector<std::string>{"start 500", "stop", "start 100", "start 100"}));
  EXPECT_EQ(trace_.Lines(), (std::vector<std::string>{
                                Line(0, "long.wav", "async", true), Line(400, "short.wav", "nostop", false),
                                Line(400, "short.wav", "async", true), Line(500, "short.wav", "nostop", true)}));
  EXPECT_TRUE(log_.Lines().empty()) << log_.All();
}

TEST_F(SoundPlayerTest, WhatCannotPlayStillStopsTheSoundAndIsLogged) {
  for (const auto& [name, reason] : std::vector<std::pair<std::string, std::string>>{
           {"missing.wav", "no such file"}, {"bad.wav", "no fmt chunk"}, {"short.wav", "device refused"}}) {
    SCOPED_TRACE(name);
    player_.refuse = false;
    ASSERT_TRUE(player_.PlaySound(Path("long.wav"), SoundMode::Async));
    player_.refuse = name == "short.wav";
    player_.calls.clear();
    EXPECT_FALSE(player_.PlaySound(Path(name), SoundMode::Sync));
    EXPECT_FALSE(player_.SoundPlaying());
    // Stopped first; nothing waited for.
    const std::vector<std::string> refused{"stop", "start 100"}, unread{"stop"};
    EXPECT_EQ(player_.calls, name == "short.wav" ? refused : unread);
    EXPECT_EQ(trace_.Lines().back(), Line(0, name, "sync", false));
    EXPECT_TRUE(log_.Contains(name + ": " + reason)) << log_.All();
  }
}

TEST_F(SoundPlayerTest, APipeOrFolderInASoundsPlaceIsNoSoundAndNoWait) {
  ASSERT_EQ(::mkfifo((dir_ / "click.wav").c_str(), 0600), 0);
  std::filesystem::create_directories(dir_ / "folder.wav");
  for (const char* name : {"click.wav", "folder.wav"}) {
    SCOPED_TRACE(name);
    bool played = true;
    EXPECT_TRUE(test::ReturnsPromptly([&] { played = player_.PlaySound(Path(name), SoundMode::Async); },
                                      dir_ / "click.wav"));
    EXPECT_FALSE(played);
    EXPECT_EQ(trace_.Lines().back(), Line(0, name, "async", false));
    EXPECT_TRUE(log_.Contains(std::string(name) + ": cannot read")) << log_.All();
  }
}

TEST_F(SoundPlayerTest, SyncReturnsAfterTheSoundAndAStalledDeviceIsStopped) {
  EXPECT_TRUE(player_.PlaySound(Path("long.wav"), SoundMode::Sync));
  EXPECT_EQ(player_.now, 500u);
  EXPECT_FALSE(player_.SoundPlaying());
  player_.stall = true;
  EXPECT_TRUE(player_.PlaySound(Path("short.wav"), SoundMode::Sync));  // it did start
  EXPECT_FALSE(player_.SoundPlaying());
  EXPECT_EQ(player_.calls, (std::vector<std::string>{"start 500", "wait 500", "start 100", "wait 100", "stop"}));
  EXPECT_TRUE(log_.Contains("short.wav: the audio device stalled")) << log_.All();
}

}  // namespace
}  // namespace trv
