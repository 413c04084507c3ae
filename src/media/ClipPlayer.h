#pragma once

#include <functional>
#include <optional>
#include <string>

#include "media/BackgroundMusic.h"
#include "media/MPlayer.h"

namespace trv {

// What the clip player asks of the window it shows clips in.
struct ClipPlayerHost {
  // Where a clip of the current screen shows: its first clip area, if any.
  std::function<std::optional<Rect>()> displayArea;
  Window* window = nullptr;
  // The hourglass while a file opens.
  std::function<void(bool busy)> busyCursor;
};

// What a play does when it ends.
enum TAfterPlay : int { kAfterNothing = 0, kAfterEmptyPlay = 3, kAfterClose = 4, kAfterMusic = 5 };

// The one player of clips and loose sound files: the "clip" command plays a
// file into the current screen's clip area, a dropped sound plays over the
// background music (which it silences and brings back at its end), and
// "play", "stop", "pause" and the ten-second steps act on what plays. Nothing
// it does raises or reports to the player; failures are logged.
class TSound : public TMPlayer {
 public:
  // `music` may be null (the viewer windows have none).
  TSound(MediaSystem& media, EventLoop& loop, ClipPlayerHost host, TBackgroundMusic* music);

  // `mode` 0: a play of its own; 3: a dropped sound; 4: a clip. An empty name
  // closes what was open.
  void Play(const std::string& name, int mode);
  using TMPlayer::Play;
  // The first dropped file, when it is a ".wav", ".mp3" or ".mpa" file.
  void PlayDropped(const std::string& windowsPath);
  // Ten seconds on or back, within the file, and play from there.
  void StepForward();
  void StepBack();

  int AfterPlay() const { return afterPlay_; }

 protected:
  // The end of a play: its after-play action.
  void Notified() override;

 private:
  void Step(std::int32_t by);

  ClipPlayerHost host_;
  TBackgroundMusic* music_;
  int afterPlay_ = kAfterNothing;
};

}  // namespace trv
