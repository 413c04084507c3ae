#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "media/MPlayer.h"
#include "media/VolumeFade.h"
#include "platform/Registry.h"
#include "script/MyTypes.h"

namespace trv {

// The music behind the shell window: the songs of the script's list one after
// the other, resumed in the next run at the song and place where it stopped
// ("BGSoundSong", "BGSoundPos"), faded in when it starts and out when it is
// switched off. The fades move the program's own output volume in steps from
// a 1 ms timer and end on exactly the volume they found.
class TBackgroundMusic {
 public:
  // `playlist` holds disc paths (path rules applied). Music is wanted unless
  // the list is empty.
  TBackgroundMusic(MediaSystem& media, EventLoop& loop, Registry& settings, std::string settingsKey,
                   TDynamicStringArray playlist);
  ~TBackgroundMusic();
  TBackgroundMusic(const TBackgroundMusic&) = delete;
  TBackgroundMusic& operator=(const TBackgroundMusic&) = delete;

  // Whether the player wants music; the callers of start and stop set it.
  bool MusicOn() const { return musicOn_; }
  void SetMusicOn(bool on) { musicOn_ = on; }

  // Opens the stored song at the stored place and plays it, fading in. A song
  // that cannot be opened, or a stored song the list no longer has, switches
  // the music off.
  void MusicStart();
  // Keeps the song and the place in the settings and stops. With `fade` the
  // music fades out first; the loop goes on meanwhile, and the player closes
  // and the volume comes back once it is silent (Stopping() until then).
  void MusicStop(bool fade);
  bool Stopping() const { return stopping_; }
  // Ends a fade-out at once, as its end would.
  void FinishStop();
  bool Fading() const { return fade_.has_value(); }

  std::int32_t SongIndex() const { return songIndex_; }
  std::int32_t SongPos() const { return songPos_; }
  TMPlayer& Player() { return player_; }

 private:
  void NextSong();
  // Starts a fade of the output volume; one that runs gives way, and the
  // volume it found is the one the new fade keeps.
  void FadeVolume(bool up);
  void FadeTick();
  void StopFadeTimer();

  MediaSystem& media_;
  EventLoop& loop_;
  Registry& settings_;
  std::string key_;
  TDynamicStringArray playlist_;
  TMPlayer player_;
  bool musicOn_;
  std::int32_t songIndex_ = 0;
  std::int32_t songPos_ = 0;
  std::optional<TVolumeFade> fade_;
  std::unique_ptr<TimerThread> fadeTimer_;
  bool stopping_ = false;
};

}  // namespace trv
