#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/EventLoop.h"
#include "platform/MediaDevice.h"
#include "platform/MediaFile.h"
#include "platform/Trace.h"
#include "platform/Window.h"

// The rules of the media command set, one implementation for both backends:
// a backend supplies only a MediaEngine (reading the header, and the output of
// sound and frames), the device keeps modes, positions, time formats, the
// notifies, the video window and the trace.
namespace trv {

// What the header of a media file says.
struct MediaInfo {
  bool hasAudio = false;
  bool hasVideo = false;
  std::int64_t lengthMs = 0;
  // The video's frame rate as a fraction (frames per second = num / den).
  int rateNum = 0;
  int rateDen = 1;
  Size natural;  // the video's size in pixels
  std::string container, audioCodec, videoCodec;  // names, for the log
};

// The device access of one media device. Everything runs on the loop thread.
class MediaEngine {
 public:
  // Where the play stands now, in milliseconds (call on the loop thread).
  using PositionFn = std::function<std::int64_t()>;
  // Takes a frame to show, on the loop thread.
  using ShowFn = std::function<void(Bitmap&&)>;

  virtual ~MediaEngine() = default;
  // Reads the header of the regular, non-empty file behind `file` (the engine
  // keeps it until Close). kOk with *info filled, or kInvalidFile,
  // kUnsupportedFormat or kFileRead with the reason in *why.
  virtual int Open(FileHandle file, MediaInfo* info, std::string* why) = 0;
  virtual void Close() = 0;
  // Output of [fromMs, toMs) begins now; nothing plays before. Frames go to
  // `show` when `position` reaches them. Neither is called after Stop.
  virtual void Start(std::int64_t fromMs, std::int64_t toMs, PositionFn position, ShowFn show) = 0;
  virtual void Pause() = 0;
  virtual void Resume() = 0;
  // Output ends. `reachedEnd`: the play ran to its end, so sound already on
  // its way out may finish.
  virtual void Stop(bool reachedEnd) = 0;
  // The size frames will be shown at: a hint, frames of another size are scaled.
  virtual void SetFrameSize(Size size) { (void)size; }
};

// What a device needs of the platform.
struct MediaHost {
  EventLoop* loop = nullptr;
  Trace* trace = nullptr;
  std::function<std::unique_ptr<Window>(const WindowOptions&)> createWindow;
  std::function<Size()> screenSize;
};

class Platform;
// The host of a platform's media devices: its loop, trace and windows.
MediaHost MediaHostOf(Platform& platform);

class MediaCommandDevice final : public MediaDevice {
 public:
  // `serial` names the device in the trace.
  MediaCommandDevice(MediaHost host, int serial, std::unique_ptr<MediaEngine> engine);
  ~MediaCommandDevice() override;

  int Open(const std::string& windowsPath) override;
  int Close() override;
  bool IsOpen() const override { return open_; }
  bool HasVideo() const override { return open_ && info_.hasVideo; }
  int Play(std::int32_t from, std::int32_t to, Notify notify) override;
  int Stop() override;
  int Pause() override;
  int Resume(Notify notify) override;
  int Seek(std::int32_t position) override;
  int SeekToStart() override { return Seek(0); }
  int SetTimeFormat(MediaTimeFormat format) override;
  int Length(std::int32_t* out) override;
  int Position(std::int32_t* out) override;
  int Mode(MediaMode* out) override;
  int SetVideoWindow(Window* window, const Rect& rect) override;
  void DrawVideo(Bitmap& canvas) const override;
  void ShowVideo(bool shown) override { videoShown_ = shown; }
  std::string ErrorString(int code) const override;

  // What tests look at.
  const MediaInfo& Info() const { return info_; }
  Window* OwnWindow() const { return ownWindow_.get(); }
  bool HasFrame() const { return !lastFrame_.Empty(); }

 private:
  enum class State { Stopped, Playing, Paused };
  std::int64_t PositionMs() const;
  std::int64_t ToUnits(std::int64_t ms) const;
  std::int64_t ToMs(std::int64_t units) const;
  std::int64_t LengthUnits() const { return ToUnits(info_.lengthMs); }
  // Ends the output of a play or paused play; its notify gets `why`.
  void EndPlay(MediaNotify why);
  void StartOutput(std::int64_t fromMs);
  void ArmEndTimer();
  void OnEnd();
  // Queues `notify` to run on the loop with `value`.
  void Deliver(Notify notify, MediaNotify value);
  int CloseAs(MediaNotify why);
  // The rect of the target the video is drawn into, and that target.
  Rect VideoRect() const;
  Window* VideoTarget() const;
  void UseOwnWindow();
  void ShowFrame(Bitmap&& frame);
  void Paint();
  int Traced(const char* op, int result);

  MediaHost host_;
  int serial_;
  std::unique_ptr<MediaEngine> engine_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);  // posted notifies check it

  bool open_ = false;
  std::string file_;  // CP1251, as opened
  MediaInfo info_;
  MediaTimeFormat format_ = MediaTimeFormat::Milliseconds;
  State state_ = State::Stopped;
  std::int64_t positionMs_ = 0;   // while not playing
  std::int64_t startPosMs_ = 0;   // where the running stretch of the play began
  std::uint64_t startClock_ = 0;  // and when
  std::int64_t toMs_ = 0;
  TimerId endTimer_ = 0;
  Notify notify_;

  Window* display_ = nullptr;
  Rect displayRect_;
  std::unique_ptr<Window> ownWindow_;
  Size ownSize_;  // the client size of the own window: natural, or shrunk to the screen
  Bitmap lastFrame_;
  bool videoShown_ = true;
};

// Draws `src` scaled (nearest pixel) into `dstRect` of `dst`, clipped to `dst`.
void DrawScaled(Bitmap& dst, const Rect& dstRect, const Bitmap& src);

// Frames per second to positions and back: frames count down (a position
// inside frame n is frame n), milliseconds of a frame count up (frame n is the
// first millisecond that shows it), so Position and Seek round-trip.
std::int64_t MsToFrames(std::int64_t ms, int rateNum, int rateDen);
std::int64_t FramesToMs(std::int64_t frames, int rateNum, int rateDen);

// The output gain of a media system: both channels in one atomic word, so a
// fade on a timer thread and the audio callback never see half a change.
class WaveVolumeStore {
 public:
  void Set(std::uint16_t left, std::uint16_t right) {
    packed_.store(std::uint32_t(left) | std::uint32_t(right) << 16, std::memory_order_relaxed);
  }
  void Get(std::uint16_t* left, std::uint16_t* right) const {
    const std::uint32_t v = packed_.load(std::memory_order_relaxed);
    if (left) *left = std::uint16_t(v);
    if (right) *right = std::uint16_t(v >> 16);
  }

 private:
  std::atomic<std::uint32_t> packed_{0xFFFFFFFFu};
};

}  // namespace trv
