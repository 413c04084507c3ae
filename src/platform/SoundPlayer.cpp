#include "platform/SoundPlayer.h"

#include <optional>

#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "platform/TraceEvents.h"

namespace trv {
namespace {

std::optional<LoadedSound> Load(const std::string& windowsPath, std::string* error) {
  auto native = ResolvePath(windowsPath);
  if (!native) {
    *error = "no such file";
    return std::nullopt;
  }
  auto bytes = ReadNativeFile(*native, SoundPlayer::kMaxFileBytes, error);
  if (!bytes) return std::nullopt;
  LoadedSound sound;
  sound.bytes = std::move(*bytes);
  auto wav = ParseWav(sound.bytes, error);
  if (!wav) return std::nullopt;
  sound.wav = *wav;
  return sound;
}

}  // namespace

void SoundPlayer::Report(const std::string& windowsPath, SoundMode mode, bool played, std::uint64_t lengthMs) {
  Requested(windowsPath, mode, played, lengthMs);
  TraceSound(trace_, windowsPath, mode, played);
}

bool SoundPlayer::PlaySound(const std::string& windowsPath, SoundMode mode) {
  if (mode == SoundMode::AsyncNoStop && DevicePlaying()) {
    Report(windowsPath, mode, false, 0);
    return false;
  }
  // A sound that cannot be played still stops the one playing, as the system does.
  DeviceStop();
  std::string error;
  auto sound = Load(windowsPath, &error);
  const std::uint64_t length = sound ? sound->wav.DurationMs() : 0;
  if (!sound || !DeviceStart(std::move(*sound), &error)) {
    Log("sound", Cp1251ToUtf8(windowsPath) + ": " + error);
    Report(windowsPath, mode, false, 0);
    return false;
  }
  Report(windowsPath, mode, true, length);
  if (mode == SoundMode::Sync && !DeviceWait(length)) {
    Log("sound", Cp1251ToUtf8(windowsPath) + ": the audio device stalled, sound stopped");
    DeviceStop();
  }
  return true;
}

}  // namespace trv
