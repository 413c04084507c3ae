#include "media/ClipPlayer.h"

#include "media/ReleaseCheck.h"
#include "platform/Log.h"
#include "platform/Text.h"

namespace trv {
namespace {

constexpr std::int32_t kStepMs = 10000;
// The longest dropped path taken, as the drop hands it over.
constexpr std::size_t kMaxDroppedPath = 200;

bool BadFile(int error) {
  return error == mci::kFileNotFound || error == mci::kInvalidFile || error == mci::kFileRead;
}

}  // namespace

TSound::TSound(MediaSystem& media, EventLoop& loop, ClipPlayerHost host, TBackgroundMusic* music)
    : TMPlayer(media, loop), host_(std::move(host)), music_(music) {}

void TSound::Play(const std::string& name, int mode) {
  try {
    if (mode == kAfterEmptyPlay) {
      // A sound dropped while another plays keeps that one's closing action.
      if (Mode() == kModePlaying) {
        if (afterPlay_ != kAfterClose && afterPlay_ != kAfterMusic) afterPlay_ = kAfterEmptyPlay;
      } else {
        afterPlay_ = kAfterClose;
      }
    } else {
      afterPlay_ = mode;
    }
    if (music_ && music_->MusicOn()) {
      music_->MusicStop(false);
      music_->SetMusicOn(false);
      if (mode == kAfterEmptyPlay) afterPlay_ = kAfterMusic;
    }
    if (host_.busyCursor) host_.busyCursor(true);
    FileName = name;
    if (name.find(".wav") != std::string::npos || name.empty()) {
      try {
        Open();
      } catch (const EMCIDeviceError&) {
        // An empty name closes the player; a sound that cannot open plays nothing.
      }
    } else {
      if (std::optional<Rect> area = host_.displayArea ? host_.displayArea() : std::nullopt)
        SetDisplay(host_.window, *area);
      try {
        Open();
      } catch (const EMCIDeviceError& e) {
        Log("clips", Cp1251ToUtf8(name) + ": " + e.what());
        if (!BadFile(Error())) {
          // Not the file's fault: a decoder is missing. One more try after
          // what the system would install.
          InstallMpegDriver();
          try {
            Open();
          } catch (const EMCIDeviceError&) {
          }
        }
      }
    }
    try {
      TMPlayer::Play();
    } catch (const EMCIDeviceError&) {
      // Nothing opened: nothing plays.
    }
  } catch (const std::exception& e) {
    Log("clips", std::string("a play failed: ") + e.what());
  }
  if (host_.busyCursor) host_.busyCursor(false);
}

void TSound::PlayDropped(const std::string& windowsPath) {
  const std::string path = Lower1251(windowsPath.substr(0, kMaxDroppedPath));
  if (path.empty()) return;
  for (const char* kind : {".wav", ".mp3", ".mpa"})
    if (path.find(kind) != std::string::npos) {
      Play(path, kAfterEmptyPlay);
      return;
    }
}

void TSound::Step(std::int32_t by) {
  try {
    SetTimeFormat(kFormatMilliseconds);
    const std::int32_t target = Position() + by;
    if (by > 0) {
      const std::int32_t length = Length();
      Seek(length < target ? length : target);
    } else {
      Seek(target > 0 ? target : 0);
    }
    TMPlayer::Play();
  } catch (const EMCIDeviceError&) {
    // Nothing open: nothing to step through.
  }
}

void TSound::StepForward() { Step(kStepMs); }

void TSound::StepBack() { Step(-kStepMs); }

void TSound::Notified() {
  if (NotifyValue() != nvSuccessful) return;
  switch (afterPlay_) {
    case kAfterEmptyPlay:
      Play(std::string(), kAfterNothing);
      break;
    case kAfterClose:
      Close();
      break;
    case kAfterMusic:
      if (host_.busyCursor) host_.busyCursor(true);
      if (music_) {
        music_->MusicStart();
        music_->SetMusicOn(true);
      }
      if (host_.busyCursor) host_.busyCursor(false);
      break;
    default:
      break;
  }
}

}  // namespace trv
