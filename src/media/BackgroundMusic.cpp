#include "media/BackgroundMusic.h"

#include "platform/Log.h"
#include "platform/Text.h"

namespace trv {
namespace {

constexpr const char* kSongValue = "BGSoundSong";
constexpr const char* kPositionValue = "BGSoundPos";

}  // namespace

TBackgroundMusic::TBackgroundMusic(MediaSystem& media, EventLoop& loop, Registry& settings, std::string settingsKey,
                                   TDynamicStringArray playlist)
    : media_(media),
      loop_(loop),
      settings_(settings),
      key_(std::move(settingsKey)),
      playlist_(std::move(playlist)),
      player_(media, loop),
      musicOn_(!playlist_.empty()) {
  player_.OnNotify = [this](TMPlayer&) { NextSong(); };
}

TBackgroundMusic::~TBackgroundMusic() {
  StopFadeTimer();
  if (stopping_) FinishStop();
}

void TBackgroundMusic::MusicStart() {
  // A fade-out still running gives way: its song closes, its volume comes back.
  if (stopping_) FinishStop();
  if (auto song = settings_.ReadInteger(RootKey::CurrentUser, key_, kSongValue)) {
    songIndex_ = *song;
    if (auto pos = settings_.ReadInteger(RootKey::CurrentUser, key_, kPositionValue)) songPos_ = *pos;
  }
  if (songIndex_ < 0 || std::size_t(songIndex_) >= playlist_.size()) {
    Log("music", "the stored song " + std::to_string(songIndex_) + " is not in the list; the music stays off");
    musicOn_ = false;
    return;
  }
  player_.FileName = playlist_[std::size_t(songIndex_)];
  player_.DeviceType = dtAutoSelect;
  try {
    player_.Open();
  } catch (const EMCIDeviceError& e) {
    Log("music", Cp1251ToUtf8(player_.FileName) + ": " + e.what() + "; the music stays off");
    musicOn_ = false;
    return;
  }
  player_.Seek(songPos_);
  FadeVolume(true);
  player_.Play();
}

void TBackgroundMusic::MusicStop(bool fade) {
  if (stopping_) FinishStop();
  // The song and its place belong together: one write.
  RegBatch place;
  place.WriteInteger(key_, kSongValue, songIndex_);
  place.WriteInteger(key_, kPositionValue, player_.Position());
  if (!settings_.Apply(RootKey::CurrentUser, place))
    Log("settings", "the background music's song and place could not be kept");
  if (!fade) {
    player_.Close();
    return;
  }
  stopping_ = true;
  FadeVolume(false);
}

void TBackgroundMusic::FinishStop() {
  const bool faded = fade_ && !fade_->Up();
  const std::uint16_t left = fade_ ? fade_->Left() : 0, right = fade_ ? fade_->Right() : 0;
  StopFadeTimer();
  fade_.reset();
  stopping_ = false;
  player_.Close();
  if (faded) media_.SetWaveVolume(left, right);
}

void TBackgroundMusic::NextSong() {
  if (player_.NotifyValue() != nvSuccessful || playlist_.empty()) return;
  songIndex_ = songIndex_ < std::int32_t(playlist_.size()) - 1 ? songIndex_ + 1 : 0;
  player_.FileName = playlist_[std::size_t(songIndex_)];
  try {
    player_.Open();
    player_.Play();
  } catch (const EMCIDeviceError& e) {
    Log("music", Cp1251ToUtf8(player_.FileName) + ": " + e.what() + "; the music stops");
    musicOn_ = false;
  }
}

void TBackgroundMusic::FadeVolume(bool up) {
  std::uint16_t left = 0, right = 0;
  std::optional<std::int32_t> level;
  if (fade_) {
    // The running fade found the volume the player set; a fade that takes
    // over keeps it (or the volume would end up where the other one left
    // it) and goes on from the level reached.
    left = fade_->Left();
    right = fade_->Right();
    level = fade_->Level();
  } else {
    media_.WaveVolume(&left, &right);
  }
  StopFadeTimer();
  fade_.emplace(left, right, up, level);
  // The first step at once: a song that starts does so in silence.
  FadeTick();
  if (!fade_) return;
  fadeTimer_ = loop_.CreateTimerThread([this] { FadeTick(); });
  fadeTimer_->SetPriority(6);
  fadeTimer_->Resume(1);
}

void TBackgroundMusic::FadeTick() {
  if (!fade_) return;
  const TVolumeFade::Volume v = fade_->Tick();
  media_.SetWaveVolume(v.left, v.right);
  if (!fade_->Done()) return;
  // Suspending from inside the tick is allowed; the object goes after it.
  if (fadeTimer_) fadeTimer_->Suspend();
  if (fade_->Up()) {
    fade_.reset();
    return;
  }
  // Silence reached: the song closes and the volume comes back.
  FinishStop();
}

void TBackgroundMusic::StopFadeTimer() {
  if (fadeTimer_) fadeTimer_->Suspend();
  // Not destroyed here: this may run inside the timer's own tick.
}

}  // namespace trv
