#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "platform/TraceEvents.h"
#include "platform/Wav.h"
#include "platform/headless/HeadlessPlatform.h"

namespace trv {
namespace {

constexpr std::uint64_t kMaxSoundFile = 256ull * 1024 * 1024;

std::optional<std::uint64_t> SoundLength(const std::string& windowsPath) {
  auto native = ResolvePath(windowsPath);
  if (!native) return std::nullopt;
  std::string error;
  auto bytes = ReadNativeFile(*native, kMaxSoundFile, &error);
  if (!bytes) {
    Log("sound", error);
    return std::nullopt;
  }
  auto wav = ParseWav(*bytes, &error);
  if (!wav) {
    Log("sound", Cp1251ToUtf8(windowsPath) + ": " + error);
    return std::nullopt;
  }
  return wav->DurationMs();
}

}  // namespace

bool HeadlessSound::SoundPlaying() const { return playing_ && loop_.NowMs() < playingUntil_; }

void HeadlessSound::StopSound() { playing_ = false; }

bool HeadlessSound::PlaySound(const std::string& windowsPath, SoundMode mode) {
  Play play{loop_.NowMs(), windowsPath, mode, false, 0};
  if (mode == SoundMode::AsyncNoStop && SoundPlaying()) {
    plays_.push_back(play);
    TraceSound(trace_, windowsPath, mode, false);
    return false;
  }
  auto length = SoundLength(windowsPath);
  // A sound that cannot be played still stops the one playing, as the system does.
  playing_ = false;
  if (length) {
    play.played = true;
    play.durationMs = *length;
  }
  plays_.push_back(play);
  TraceSound(trace_, windowsPath, mode, play.played);
  if (!length) return false;
  if (mode == SoundMode::Sync) {
    loop_.SkipTime(*length);  // the loop thread is blocked while it plays
  } else {
    playing_ = true;
    playingUntil_ = loop_.NowMs() + *length;
  }
  return true;
}

}  // namespace trv
