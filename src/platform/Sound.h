#pragma once

#include <string>

namespace trv {

enum class SoundMode {
  Async,        // play without waiting; a sound already playing is cut off
  AsyncNoStop,  // play without waiting, but only when nothing plays; else dropped
  Sync,         // play and return when it has ended
};

// Wave sounds of the elements and the quiz, one at a time, as the system sound
// player plays them.
class Sound {
 public:
  virtual ~Sound() = default;
  // Plays the WAV file named by a Windows path (CP1251). A missing or unreadable
  // file plays nothing (no default sound) and gives false, as does a sound
  // dropped by AsyncNoStop.
  virtual bool PlaySound(const std::string& windowsPath, SoundMode mode) = 0;
  virtual void StopSound() = 0;
  virtual bool SoundPlaying() const = 0;
};

}  // namespace trv
