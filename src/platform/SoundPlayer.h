#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Sound.h"
#include "platform/Trace.h"
#include "platform/Wav.h"

namespace trv {

// A WAV file read and parsed: `wav.samples` points into `bytes`, which moves
// with it (a moved vector keeps its buffer).
struct LoadedSound {
  std::vector<std::uint8_t> bytes;
  WavInfo wav;
};

// The rules of the three sound modes, one implementation for every backend;
// a backend adds only its device. Every request is traced ("sound", played
// true or false), and a file that cannot play is logged and plays nothing.
class SoundPlayer : public Sound {
 public:
  // The largest sound file read.
  static constexpr std::uint64_t kMaxFileBytes = 256ull * 1024 * 1024;

  explicit SoundPlayer(Trace& trace) : trace_(trace) {}

  // AsyncNoStop is dropped while a sound plays. Otherwise the playing sound
  // stops first, also when the new one then cannot play; Sync returns when
  // the new one has ended.
  bool PlaySound(const std::string& windowsPath, SoundMode mode) final;
  void StopSound() final { DeviceStop(); }
  bool SoundPlaying() const final { return DevicePlaying(); }

 protected:
  // Starts `sound`, nothing playing before; false with the reason in *error
  // when the device cannot play it.
  virtual bool DeviceStart(LoadedSound sound, std::string* error) = 0;
  virtual void DeviceStop() = 0;
  virtual bool DevicePlaying() const = 0;
  // Returns when the started sound, `lengthMs` long, has ended; false when the
  // device stalled and waiting was given up.
  virtual bool DeviceWait(std::uint64_t lengthMs) = 0;
  // Each request as traced, with the length of a sound that plays.
  virtual void Requested(const std::string& windowsPath, SoundMode mode, bool played, std::uint64_t lengthMs) {
    (void)windowsPath, (void)mode, (void)played, (void)lengthMs;
  }

 private:
  void Report(const std::string& windowsPath, SoundMode mode, bool played, std::uint64_t lengthMs);

  Trace& trace_;
};

}  // namespace trv
