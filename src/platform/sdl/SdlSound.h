#pragma once

#include <SDL.h>

#include <memory>
#include <string>

#include "platform/EventLoop.h"
#include "platform/SoundPlayer.h"
#include "platform/Trace.h"
#include "platform/sdl/SdlAudioOut.h"

namespace trv {

// The device of the sound player: one voice in the program's audio output
// (SdlAudioOut, opened at the first sound and left running), which converts
// the playing WAV to the output's format a piece at a time, so memory stays
// bounded by the file. Without an audio device every sound "plays" silently
// for its length, so that AsyncNoStop and Sync keep their meaning.
class SdlSound : public SoundPlayer {
 public:
  // With an audio output of its own.
  SdlSound(EventLoop& loop, Trace& trace);
  // Mixed into `out`, which the media devices share.
  SdlSound(EventLoop& loop, Trace& trace, std::shared_ptr<SdlAudioOut> out);
  ~SdlSound() override;

  // False until a sound was played (or the output opened otherwise), and when
  // no device could be opened.
  bool HasDevice() const { return out_->HasDevice(); }

 protected:
  bool DeviceStart(LoadedSound sound, std::string* error) override;
  void DeviceStop() override;
  bool DevicePlaying() const override;
  // Waits at most the sound's length and a slack: a stalled device must not
  // hang the program.
  bool DeviceWait(std::uint64_t lengthMs) override;

 private:
  struct Voice;
  class Channel;
  bool EnsureDevice();
  // Swaps the playing voice for `next` (may be null); the old one is freed
  // outside the output's lock.
  void Replace(std::unique_ptr<Voice> next);

  EventLoop& loop_;
  std::shared_ptr<SdlAudioOut> out_;
  std::shared_ptr<Channel> channel_;  // in the output once it opened
  bool added_ = false;
  std::uint64_t silentUntil_ = 0;  // without a device: when the silent sound ends
};

}  // namespace trv
