#pragma once

#include <SDL.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/MediaCommands.h"

namespace trv {

// One source mixed into the program's audio output.
class AudioSource {
 public:
  virtual ~AudioSource() = default;
  // Adds up to `frames` stereo frames at the output's rate into `mix`
  // (interleaved, left then right). Called on the audio thread under the
  // output's lock; never waits. False once the source has ended for good: it
  // is then dropped.
  virtual bool MixInto(std::int32_t* mix, int frames) = 0;
};

// The program's one audio output: an SDL audio device (16-bit stereo), opened
// at the first sound and left running, into which the sound effects and every
// playing media stream are mixed, with the wave volume as the output gain.
// Without an audio device there is no output at all and every source is
// silent; the players then keep time on the clock.
class SdlAudioOut {
 public:
  static constexpr int kChannels = 2;

  SdlAudioOut() = default;
  ~SdlAudioOut();
  SdlAudioOut(const SdlAudioOut&) = delete;
  SdlAudioOut& operator=(const SdlAudioOut&) = delete;

  // Opens the device the first time; false (said once in the log) without one.
  bool EnsureDevice();
  bool HasDevice() const { return device_ != 0; }
  // Frames per second of the device (44100 until it opened).
  int Rate() const { return spec_.freq > 0 ? spec_.freq : 44100; }

  // Sources are added and removed on the loop thread; a removed source is no
  // longer called when Remove returns.
  void Add(std::shared_ptr<AudioSource> source);
  void Remove(const AudioSource* source);
  std::size_t SourceCount() const;

  // Runs `fn` while the audio thread is held off.
  template <typename F>
  auto Locked(F&& fn) const {
    struct Guard {
      SDL_AudioDeviceID d;
      ~Guard() {
        if (d) SDL_UnlockAudioDevice(d);
      }
    } guard{device_};
    if (device_) SDL_LockAudioDevice(device_);
    return fn();
  }

  void SetGain(std::uint16_t left, std::uint16_t right) { gain_.Set(left, right); }
  void Gain(std::uint16_t* left, std::uint16_t* right) const { gain_.Get(left, right); }

  // One step of the audio thread: every source summed, the gain applied,
  // clipped to 16 bits. The device's callback calls it under the lock; tests
  // call it directly.
  void Mix(std::int16_t* out, int frames);

 private:
  static void Callback(void* self, Uint8* out, int len);

  bool tried_ = false;
  bool audioInit_ = false;
  SDL_AudioDeviceID device_ = 0;
  SDL_AudioSpec spec_{};
  std::vector<std::shared_ptr<AudioSource>> sources_;  // under the lock
  std::vector<std::shared_ptr<AudioSource>> retired_;  // ended on the audio thread, freed on the loop thread
  std::vector<std::int32_t> mix_;
  WaveVolumeStore gain_;
};

}  // namespace trv
