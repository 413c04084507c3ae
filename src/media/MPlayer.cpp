#include "media/MPlayer.h"

#include "platform/Log.h"

namespace trv {

TMPlayer::TMPlayer(MediaSystem& media, EventLoop& loop)
    : media_(media), loop_(loop), self_(std::make_shared<TMPlayer*>(this)) {}

TMPlayer::~TMPlayer() {
  *self_ = nullptr;
  if (device_) device_->Close();
}

bool TMPlayer::TakeNotify(bool byDefault) {
  const bool wanted = notifyOverride_.value_or(byDefault);
  notifyOverride_.reset();
  return wanted;
}

MediaDevice& TMPlayer::Need() {
  if (!device_) throw EMCIDeviceError("No MCI device open");
  return *device_;
}

MediaDevice::Notify TMPlayer::Notice(bool wanted) {
  if (!wanted) return {};
  return [self = self_](MediaNotify value) {
    if (*self) (*self)->Deliver(value);
  };
}

void TMPlayer::Deliver(MediaNotify value) {
  switch (value) {
    case MediaNotify::Successful: notifyValue_ = nvSuccessful; break;
    case MediaNotify::Superseded: notifyValue_ = nvSuperseded; break;
    case MediaNotify::Aborted: notifyValue_ = nvAborted; break;
    case MediaNotify::Failure: notifyValue_ = nvFailure; break;
  }
  Notified();
}

void TMPlayer::Notified() {
  if (OnNotify) OnNotify(*this);
}

// A command that waits for its end and was asked to notify: the notice
// follows on the loop, as a completed command's would.
static void PostDone(EventLoop& loop, MediaDevice::Notify notice, int error) {
  if (!notice) return;
  loop.Post([notice = std::move(notice), error] {
    notice(error == mci::kOk ? MediaNotify::Successful : MediaNotify::Failure);
  });
}

void TMPlayer::Open() {
  if (device_) Close();
  const bool notify = TakeNotify(false);
  std::unique_ptr<MediaDevice> device = media_.CreateDevice();
  error_ = device ? device->Open(FileName) : mci::kNotOpen;
  if (error_ != mci::kOk) {
    hasVideo_ = false;
    throw EMCIDeviceError(ErrorMessage());
  }
  device_ = std::move(device);
  hasVideo_ = device_->HasVideo();
  if (!videoShown_) device_->ShowVideo(false);
  PostDone(loop_, Notice(notify), error_);
  if (hasVideo_ && display_) SetDisplay(display_, displayRect_);
}

void TMPlayer::Close() {
  if (!device_) return;
  const bool notify = TakeNotify(false);
  error_ = device_->Close();
  if (error_ != mci::kOk) return;  // a refused close leaves the device open
  device_.reset();
  hasVideo_ = false;
  PostDone(loop_, Notice(notify), error_);
}

void TMPlayer::PlayRange(std::int32_t from, std::int32_t to) {
  MediaDevice& device = Need();
  if (AutoRewind && from < 0 && Position() == Length()) device.SeekToStart();
  error_ = device.Play(from, to, Notice(TakeNotify(true)));
}

void TMPlayer::Play() { PlayRange(-1, -1); }

void TMPlayer::Stop() {
  MediaDevice& device = Need();
  const bool notify = TakeNotify(false);
  error_ = device.Stop();
  PostDone(loop_, Notice(notify), error_);
}

void TMPlayer::Pause() {
  MediaDevice& device = Need();
  const int mode = Mode();
  if (mode == kModePlaying) {
    const bool notify = TakeNotify(false);
    error_ = device.Pause();
    PostDone(loop_, Notice(notify), error_);
  } else if (mode == kModePaused) {
    error_ = device.Resume(Notice(notifyOverride_.value_or(true)));
    if (error_ != mci::kOk) {
      Play();  // takes the override itself
      return;
    }
    notifyOverride_.reset();
  }
}

void TMPlayer::Seek(std::int32_t position) {
  MediaDevice& device = Need();
  const bool notify = TakeNotify(false);
  error_ = device.Seek(position);
  PostDone(loop_, Notice(notify), error_);
}

std::int32_t TMPlayer::Length() {
  std::int32_t length = 0;
  error_ = Need().Length(&length);
  return error_ == mci::kOk ? length : 0;
}

void TMPlayer::SetTimeFormat(int format) {
  if (!device_) {
    error_ = mci::kNotOpen;
    return;
  }
  error_ = device_->SetTimeFormat(format == kFormatFrames ? MediaTimeFormat::Frames : MediaTimeFormat::Milliseconds);
}

std::int32_t TMPlayer::Position() {
  std::int32_t position = 0;
  error_ = device_ ? device_->Position(&position) : mci::kNotOpen;
  return error_ == mci::kOk ? position : 0;
}

int TMPlayer::Mode() {
  MediaMode mode = MediaMode::NotReady;
  error_ = device_ ? device_->Mode(&mode) : mci::kNotOpen;
  return error_ == mci::kOk ? int(mode) : int(MediaMode::NotReady);
}

void TMPlayer::SetDisplay(Window* window, const Rect& rect) {
  if (window && device_ && hasVideo_) {
    error_ = device_->SetVideoWindow(window, rect);
    display_ = error_ == mci::kOk ? window : nullptr;
    displayRect_ = rect;
    return;
  }
  display_ = window;
  displayRect_ = rect;
}

void TMPlayer::ShowVideo(bool shown) {
  if (shown == videoShown_) return;
  videoShown_ = shown;
  if (device_) device_->ShowVideo(shown);
}

void TMPlayer::DrawVideo(Bitmap& canvas) const {
  if (device_ && hasVideo_) device_->DrawVideo(canvas);
}

std::string TMPlayer::ErrorMessage() const {
  // The device knows its codes; a player without one says what it can.
  if (device_) return device_->ErrorString(error_);
  switch (error_) {
    case mci::kOk: return "The specified command was carried out.";
    case mci::kFileNotFound: return "Cannot find the specified file.";
    case mci::kInvalidFile: return "The specified file cannot be played on the specified device.";
    case mci::kFileRead: return "A problem occurred in reading the specified file.";
    case mci::kNotOpen: return "No MCI device open";
    case mci::kUnsupportedFormat: return "No decoder can play the specified file.";
    default: return "Unknown error code";
  }
}

}  // namespace trv
