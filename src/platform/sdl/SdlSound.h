#pragma once

#include <SDL.h>

#include <memory>
#include <string>

#include "platform/EventLoop.h"
#include "platform/SoundPlayer.h"
#include "platform/Trace.h"

namespace trv {

// The device of the sound player: an SDL audio device, opened at the first sound and
// left running; its callback converts the playing WAV to the device format a
// piece at a time, so memory stays bounded by the file. Without an audio
// device every sound "plays" silently for its length, so that AsyncNoStop and
// Sync keep their meaning.
class SdlSound : public SoundPlayer {
 public:
  SdlSound(EventLoop& loop, Trace& trace);
  ~SdlSound() override;

  // False until a sound was played, and when no device could be opened.
  bool HasDevice() const { return device_ != 0; }

 protected:
  bool DeviceStart(LoadedSound sound, std::string* error) override;
  void DeviceStop() override;
  bool DevicePlaying() const override;
  // Waits at most the sound's length and a slack: a stalled device must not
  // hang the program.
  bool DeviceWait(std::uint64_t lengthMs) override;

 private:
  struct Voice;
  bool EnsureDevice();
  // Swaps the playing voice for `next` (may be null); the old one is freed
  // outside the device lock.
  void Replace(std::unique_ptr<Voice> next);
  static void Callback(void* self, Uint8* out, int len);
  void Fill(Uint8* out, int len);

  EventLoop& loop_;
  bool triedDevice_ = false;
  bool audioInit_ = false;
  SDL_AudioDeviceID device_ = 0;
  SDL_AudioSpec spec_{};
  std::unique_ptr<Voice> voice_;  // guarded by the device lock
  std::uint64_t silentUntil_ = 0;  // without a device: when the silent sound ends
};

}  // namespace trv
