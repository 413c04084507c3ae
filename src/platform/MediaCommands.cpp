#include "platform/MediaCommands.h"

#include "platform/Platform.h"

#include <algorithm>
#include <climits>
#include <vector>

#include "platform/Log.h"
#include "platform/Text.h"
#include "platform/TraceEvents.h"

namespace trv {
namespace {

constexpr Color kOwnWindowBackground = MakeColor(0, 0, 0);

std::string BaseName(const std::string& windowsPath) {
  const auto cut = windowsPath.find_last_of("\\/");
  return cut == std::string::npos ? windowsPath : windowsPath.substr(cut + 1);
}

}  // namespace

std::int64_t MsToFrames(std::int64_t ms, int rateNum, int rateDen) {
  if (rateNum <= 0 || rateDen <= 0 || ms <= 0) return 0;
  return ms * rateNum / (std::int64_t(rateDen) * 1000);
}

std::int64_t FramesToMs(std::int64_t frames, int rateNum, int rateDen) {
  if (rateNum <= 0 || rateDen <= 0 || frames <= 0) return 0;
  return (frames * rateDen * 1000 + rateNum - 1) / rateNum;
}

void DrawScaled(Bitmap& dst, const Rect& dstRect, const Bitmap& src) {
  if (src.Empty() || dstRect.Empty()) return;
  if (dstRect.Width() == src.Width() && dstRect.Height() == src.Height()) {
    dst.Blit(dstRect.left, dstRect.top, src);
    return;
  }
  const Rect clip = dstRect.Intersect(dst.Bounds());
  if (clip.Empty()) return;
  const std::int64_t w = dstRect.Width(), h = dstRect.Height();
  std::vector<int> column(std::size_t(clip.Width()));
  for (int x = clip.left; x < clip.right; ++x)
    column[std::size_t(x - clip.left)] = int((std::int64_t(x - dstRect.left) * src.Width()) / w) * 3;
  for (int y = clip.top; y < clip.bottom; ++y) {
    const std::uint8_t* in = src.Row(int((std::int64_t(y - dstRect.top) * src.Height()) / h));
    std::uint8_t* out = dst.Row(y) + std::size_t(clip.left) * 3;
    for (int sx : column) {
      out[0] = in[sx];
      out[1] = in[sx + 1];
      out[2] = in[sx + 2];
      out += 3;
    }
  }
}

MediaCommandDevice::MediaCommandDevice(MediaHost host, int serial, std::unique_ptr<MediaEngine> engine)
    : host_(std::move(host)), serial_(serial), engine_(std::move(engine)) {}

MediaCommandDevice::~MediaCommandDevice() {
  alive_.reset();  // notifies still queued are dropped
  if (!open_) return;
  if (endTimer_) host_.loop->KillTimer(endTimer_);
  if (state_ != State::Stopped) engine_->Stop(false);
  engine_->Close();
  TraceMediaCall(*host_.trace, serial_, "close", 0);
}

int MediaCommandDevice::Traced(const char* op, int result) {
  TraceMediaCall(*host_.trace, serial_, op, result);
  return result;
}

std::int64_t MediaCommandDevice::PositionMs() const {
  if (state_ != State::Playing) return positionMs_;
  const std::uint64_t now = host_.loop->GetClock().NowMs();
  const std::int64_t ran = now > startClock_ ? std::int64_t(now - startClock_) : 0;
  return std::min(startPosMs_ + ran, toMs_);
}

std::int64_t MediaCommandDevice::ToUnits(std::int64_t ms) const {
  return format_ == MediaTimeFormat::Frames ? MsToFrames(ms, info_.rateNum, info_.rateDen) : ms;
}

std::int64_t MediaCommandDevice::ToMs(std::int64_t units) const {
  const std::int64_t ms = format_ == MediaTimeFormat::Frames ? FramesToMs(units, info_.rateNum, info_.rateDen) : units;
  return std::clamp<std::int64_t>(ms, 0, info_.lengthMs);
}

void MediaCommandDevice::Deliver(Notify notify, MediaNotify value) {
  if (!notify) return;
  TraceMediaNotify(*host_.trace, serial_, value);
  std::weak_ptr<bool> alive = alive_;
  host_.loop->Post([alive, notify = std::move(notify), value] {
    if (alive.lock()) notify(value);
  });
}

void MediaCommandDevice::EndPlay(MediaNotify why) {
  if (state_ == State::Stopped) return;
  positionMs_ = PositionMs();
  if (endTimer_) host_.loop->KillTimer(endTimer_);
  endTimer_ = 0;
  engine_->Stop(false);
  state_ = State::Stopped;
  Deliver(std::move(notify_), why);
  notify_ = nullptr;
}

void MediaCommandDevice::ArmEndTimer() {
  const std::int64_t left = std::max<std::int64_t>(0, toMs_ - startPosMs_);
  endTimer_ = host_.loop->SetTimer(std::uint32_t(std::min<std::int64_t>(left, UINT32_MAX)), false, [this] { OnEnd(); });
}

void MediaCommandDevice::OnEnd() {
  endTimer_ = 0;
  if (state_ != State::Playing) return;
  positionMs_ = toMs_;
  state_ = State::Stopped;
  engine_->Stop(true);
  Deliver(std::move(notify_), MediaNotify::Successful);
  notify_ = nullptr;
}

void MediaCommandDevice::StartOutput(std::int64_t fromMs) {
  state_ = State::Playing;
  startPosMs_ = fromMs;
  startClock_ = host_.loop->GetClock().NowMs();
  if (info_.hasVideo && !display_ && !ownWindow_) UseOwnWindow();
  engine_->Start(
      fromMs, toMs_, [this] { return PositionMs(); }, [this](Bitmap&& frame) { ShowFrame(std::move(frame)); });
  ArmEndTimer();
}

int MediaCommandDevice::Open(const std::string& windowsPath) {
  if (open_) CloseAs(MediaNotify::Superseded);
  const std::string label = Cp1251ToUtf8(windowsPath);
  auto fail = [&](int code, const std::string& why) {
    Log("media", label + ": " + why);
    TraceMediaOpen(*host_.trace, serial_, windowsPath, code, 0, false);
    return code;
  };
  MediaFileOpen file = OpenMediaFile(windowsPath);
  if (file.code != mci::kOk) return fail(file.code, file.why);
  MediaInfo info;
  std::string why;
  const int rc = engine_->Open(std::move(file.file), &info, &why);
  if (rc != mci::kOk) return fail(rc, why);
  if (info.lengthMs < 0 || info.lengthMs > INT32_MAX || (!info.hasAudio && !info.hasVideo) ||
      (info.hasVideo && (info.rateNum <= 0 || info.rateDen <= 0 || info.natural.width <= 0 ||
                         info.natural.height <= 0))) {
    engine_->Close();
    return fail(mci::kInvalidFile, "the header describes no playable stream");
  }
  open_ = true;
  file_ = windowsPath;
  info_ = info;
  ownSize_ = info.natural;
  format_ = MediaTimeFormat::Milliseconds;
  state_ = State::Stopped;
  positionMs_ = 0;
  lastFrame_ = Bitmap();
  TraceMediaOpen(*host_.trace, serial_, windowsPath, mci::kOk, info.lengthMs, info.hasVideo);
  return mci::kOk;
}

int MediaCommandDevice::CloseAs(MediaNotify why) {
  if (!open_) return mci::kOk;
  EndPlay(why);
  engine_->Close();
  open_ = false;
  info_ = MediaInfo();
  display_ = nullptr;
  displayRect_ = {};
  ownWindow_.reset();
  lastFrame_ = Bitmap();
  positionMs_ = 0;
  return Traced("close", mci::kOk);
}

int MediaCommandDevice::Close() { return CloseAs(MediaNotify::Aborted); }

int MediaCommandDevice::Play(std::int32_t from, std::int32_t to, Notify notify) {
  if (!open_) return Traced("play", mci::kNotOpen);
  const std::int64_t length = LengthUnits();
  const std::int64_t f = from < 0 ? ToUnits(PositionMs()) : from;
  const std::int64_t t = to < 0 ? length : to;
  if (f > length || t > length || f > t) return Traced("play", mci::kOutOfRange);
  const std::int64_t fromMs = from < 0 ? PositionMs() : ToMs(f);
  const std::int64_t toMs = to < 0 ? info_.lengthMs : ToMs(t);
  EndPlay(MediaNotify::Superseded);
  notify_ = std::move(notify);
  toMs_ = std::max(fromMs, toMs);
  TraceMediaPlay(*host_.trace, serial_, fromMs, toMs_);
  StartOutput(fromMs);
  return mci::kOk;
}

int MediaCommandDevice::Stop() {
  if (!open_) return Traced("stop", mci::kNotOpen);
  EndPlay(MediaNotify::Aborted);
  return Traced("stop", mci::kOk);
}

int MediaCommandDevice::Pause() {
  if (!open_) return Traced("pause", mci::kNotOpen);
  if (state_ != State::Playing) return mci::kOk;
  positionMs_ = PositionMs();
  host_.loop->KillTimer(endTimer_);
  endTimer_ = 0;
  engine_->Pause();
  state_ = State::Paused;
  return Traced("pause", mci::kOk);
}

int MediaCommandDevice::Resume(Notify notify) {
  if (!open_) return Traced("resume", mci::kNotOpen);
  if (state_ == State::Stopped) return Traced("resume", mci::kNonApplicable);
  if (notify) {
    Deliver(std::move(notify_), MediaNotify::Superseded);
    notify_ = std::move(notify);
  }
  if (state_ == State::Playing) return mci::kOk;
  state_ = State::Playing;
  startPosMs_ = positionMs_;
  startClock_ = host_.loop->GetClock().NowMs();
  engine_->Resume();
  ArmEndTimer();
  return Traced("resume", mci::kOk);
}

int MediaCommandDevice::Seek(std::int32_t position) {
  if (!open_) return Traced("seek", mci::kNotOpen);
  if (position < 0 || position > LengthUnits()) return Traced("seek", mci::kOutOfRange);
  EndPlay(MediaNotify::Aborted);
  positionMs_ = ToMs(position);
  TraceMediaSeek(*host_.trace, serial_, positionMs_);
  return mci::kOk;
}

int MediaCommandDevice::SetTimeFormat(MediaTimeFormat format) {
  if (!open_) return mci::kNotOpen;
  if (format == MediaTimeFormat::Frames && !info_.hasVideo) return mci::kBadTimeFormat;
  format_ = format;
  return mci::kOk;
}

int MediaCommandDevice::Length(std::int32_t* out) {
  *out = 0;
  if (!open_) return mci::kNotOpen;
  *out = std::int32_t(LengthUnits());
  return mci::kOk;
}

int MediaCommandDevice::Position(std::int32_t* out) {
  *out = 0;
  if (!open_) return mci::kNotOpen;
  *out = std::int32_t(ToUnits(PositionMs()));
  return mci::kOk;
}

int MediaCommandDevice::Mode(MediaMode* out) {
  if (!open_) {
    *out = MediaMode::NotReady;
    return mci::kNotOpen;
  }
  *out = state_ == State::Playing ? MediaMode::Playing
         : state_ == State::Paused ? MediaMode::Paused
                                   : MediaMode::Stopped;
  return mci::kOk;
}

Rect MediaCommandDevice::VideoRect() const {
  const Size n = info_.natural;
  if (!display_) return {0, 0, ownSize_.width, ownSize_.height};
  if (displayRect_.right == 0 && displayRect_.bottom == 0)
    return Rect::FromSize(displayRect_.left, displayRect_.top, n.width, n.height);
  return displayRect_;
}

Window* MediaCommandDevice::VideoTarget() const { return display_ ? display_ : ownWindow_.get(); }

void MediaCommandDevice::UseOwnWindow() {
  Size n = info_.natural;
  const Size screen = host_.screenSize ? host_.screenSize() : Size{n.width, n.height};
  // A video larger than the screen is shown shrunk to it, keeping its shape.
  if (screen.width > 0 && screen.height > 0 && (n.width > screen.width || n.height > screen.height)) {
    const double k = std::min(double(screen.width) / n.width, double(screen.height) / n.height);
    n = {std::max(1, int(n.width * k)), std::max(1, int(n.height * k))};
  }
  ownSize_ = n;
  WindowOptions options;
  options.role = "clip";
  options.caption = BaseName(file_);
  options.bounds = Rect::FromSize((screen.width - n.width) / 2, (screen.height - n.height) / 2, n.width, n.height);
  options.noActivate = true;
  options.inTaskbar = false;
  ownWindow_ = host_.createWindow(options);
  if (!ownWindow_) return;
  ownWindow_->Framebuffer().Fill(ownWindow_->Framebuffer().Bounds(), kOwnWindowBackground);
  ownWindow_->ShowNoActivate();
  ownWindow_->Present();
  engine_->SetFrameSize(n);
  TraceMediaVideo(*host_.trace, serial_, "clip", VideoRect());
}

int MediaCommandDevice::SetVideoWindow(Window* window, const Rect& rect) {
  if (!open_) return Traced("video", mci::kNotOpen);
  display_ = window;
  displayRect_ = rect;
  if (!info_.hasVideo) return mci::kOk;
  if (window) {
    ownWindow_.reset();
    engine_->SetFrameSize({VideoRect().Width(), VideoRect().Height()});
    TraceMediaVideo(*host_.trace, serial_, window->Role(), VideoRect());
  } else if (state_ != State::Stopped || HasFrame()) {
    if (!ownWindow_) UseOwnWindow();
  }
  Paint();
  return mci::kOk;
}

void MediaCommandDevice::ShowFrame(Bitmap&& frame) {
  if (!open_) return;
  lastFrame_ = std::move(frame);
  Paint();
}

void MediaCommandDevice::Paint() {
  Window* target = VideoTarget();
  if (!target || lastFrame_.Empty() || (!videoShown_ && target == display_)) return;
  const Rect r = VideoRect();
  DrawScaled(target->Framebuffer(), r, lastFrame_);
  const Rect dirty = r.Intersect(target->Framebuffer().Bounds());
  if (!dirty.Empty()) target->Present(dirty);
}

void MediaCommandDevice::DrawVideo(Bitmap& canvas) const {
  if (!open_ || lastFrame_.Empty()) return;
  DrawScaled(canvas, VideoRect(), lastFrame_);
}

std::string MediaCommandDevice::ErrorString(int code) const {
  switch (code) {
    case mci::kOk: return "The command completed.";
    case mci::kNotOpen: return "No media file is open.";
    case mci::kFileNotFound: return "The file was not found.";
    case mci::kUnsupportedFormat: return "No decoder can play a stream of this file.";
    case mci::kOutOfRange: return "The position is outside the file.";
    case mci::kBadTimeFormat: return "This file has no frames to count.";
    case mci::kInvalidFile: return "The file is not a media file or is damaged.";
    case mci::kNonApplicable: return "Nothing is paused.";
    case mci::kFileRead: return "The file cannot be read.";
    default: return "Unknown error code";
  }
}

MediaHost MediaHostOf(Platform& platform) {
  MediaHost host;
  host.loop = &platform.Loop();
  host.trace = &platform.Tracer();
  host.createWindow = [&platform](const WindowOptions& o) { return platform.CreateWindow(o); };
  host.screenSize = [&platform] { return platform.ScreenSize(); };
  return host;
}

}  // namespace trv
