#include "platform/headless/HeadlessPlatform.h"

namespace trv {

bool HeadlessSound::DeviceStart(LoadedSound sound, std::string*) {
  playing_ = true;
  playingUntil_ = loop_.NowMs() + sound.wav.DurationMs();
  return true;
}

bool HeadlessSound::DeviceWait(std::uint64_t lengthMs) {
  loop_.SkipTime(lengthMs);  // the loop thread is blocked while it plays
  playing_ = false;
  return true;
}

void HeadlessSound::Requested(const std::string& windowsPath, SoundMode mode, bool played, std::uint64_t lengthMs) {
  plays_.push_back({loop_.NowMs(), windowsPath, mode, played, lengthMs});
}

}  // namespace trv
