#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/Bitmap.h"
#include "platform/Geometry.h"

namespace trv {

class Window;

// Error codes of the media layer, with the values callers branch on.
namespace mci {
constexpr int kOk = 0;
constexpr int kFileNotFound = 275;
constexpr int kInvalidFile = 296;
constexpr int kFileRead = 348;
constexpr int kUnsupportedFormat = 277;  // no decoder: the caller treats it as a missing codec
constexpr int kNotOpen = 263;
}  // namespace mci

enum class MediaMode { NotReady = 0, Stopped = 1, Playing = 2, Recording = 3, Seeking = 4, Paused = 5, Open = 6 };
enum class MediaTimeFormat { Milliseconds, Frames };
enum class MediaNotify { Successful = 1, Superseded = 2, Aborted = 4, Failure = 8 };

// One opened media file (sound or video), with the command set of the
// multimedia device interface. Every call returns an error code (mci::kOk on
// success). Completion notices run on the event loop thread.
class MediaDevice {
 public:
  using Notify = std::function<void(MediaNotify)>;
  virtual ~MediaDevice() = default;

  virtual int Open(const std::string& windowsPath) = 0;
  virtual int Close() = 0;
  virtual bool IsOpen() const = 0;
  virtual bool HasVideo() const = 0;

  // Plays from `from` (or the current position when negative) to `to` (or the
  // end when negative). `notify`, when given, is called once when the play
  // ends, is superseded by another play or is aborted by Stop/Close.
  virtual int Play(std::int32_t from, std::int32_t to, Notify notify) = 0;
  virtual int Stop() = 0;
  virtual int Pause() = 0;
  virtual int Resume(Notify notify) = 0;
  virtual int Seek(std::int32_t position) = 0;
  virtual int SeekToStart() = 0;

  virtual int SetTimeFormat(MediaTimeFormat format) = 0;
  virtual int Length(std::int32_t* out) = 0;
  virtual int Position(std::int32_t* out) = 0;
  virtual int Mode(MediaMode* out) = 0;

  // Shows the video in `rect` of `window`; nullptr returns it to no window.
  virtual int SetVideoWindow(Window* window, const Rect& rect) = 0;
  // Draws the last frame shown into the video rectangle of `canvas`, for a
  // window that paints itself anew; nothing without a frame.
  virtual void DrawVideo(Bitmap& canvas) const = 0;

  virtual std::string ErrorString(int code) const = 0;
};

class MediaSystem {
 public:
  virtual ~MediaSystem() = default;
  virtual std::unique_ptr<MediaDevice> CreateDevice() = 0;
  // Output volume of the wave mapper per channel, 0..0xFFFF.
  virtual void SetWaveVolume(std::uint16_t left, std::uint16_t right) = 0;
  virtual void WaveVolume(std::uint16_t* left, std::uint16_t* right) const = 0;
};

}  // namespace trv
