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
constexpr int kNotOpen = 263;             // the call needs an open device
constexpr int kFileNotFound = 275;        // no file by that name (or an empty name)
constexpr int kUnsupportedFormat = 277;   // no decoder for a stream: the caller treats it as a missing codec
constexpr int kOutOfRange = 282;          // a position past the length, or from after to
constexpr int kBadTimeFormat = 293;       // frames asked of a file without video
constexpr int kInvalidFile = 296;         // not a media file: empty, garbage, truncated header
constexpr int kNonApplicable = 302;       // resume of a device that is not paused
constexpr int kFileRead = 348;            // not a regular file (a folder, a FIFO), or unreadable
}  // namespace mci

enum class MediaMode { NotReady = 0, Stopped = 1, Playing = 2, Recording = 3, Seeking = 4, Paused = 5, Open = 6 };
enum class MediaTimeFormat { Milliseconds, Frames };
enum class MediaNotify { Successful = 1, Superseded = 2, Aborted = 4, Failure = 8 };

// One media file (sound or video) opened by its Windows disc path, with the
// command set of the system's multimedia devices. Every call returns an error
// code (mci::kOk on success) and runs on the loop thread; none waits on
// decoding, which runs on threads of the backend's own. A call that fails
// changes nothing and calls no notify.
//
// Positions and lengths are in the current time format: milliseconds (the
// default after every Open), or frames of a file with video, counted at the
// clip's frame rate.
class MediaDevice {
 public:
  using Notify = std::function<void(MediaNotify)>;
  virtual ~MediaDevice() = default;

  // Closes what is open (as Close does), then opens the file. The path is
  // resolved like every disc path (case ignored), opened without blocking and
  // only when it is a regular file; its header is read at once (bounded work):
  // kFileNotFound, kFileRead, kInvalidFile or kUnsupportedFormat when it
  // cannot play, with one log line that names the file and the reason. The
  // device then stands stopped at position 0.
  virtual int Open(const std::string& windowsPath) = 0;
  // Ends a play (its notify: Aborted) and closes the file. A closed device
  // gives kOk and does nothing.
  virtual int Close() = 0;
  virtual bool IsOpen() const = 0;
  virtual bool HasVideo() const = 0;

  // Plays from `from` (negative: the current position) to `to` (negative: the
  // end). `notify`, when given, runs exactly once on the loop thread, never
  // inside a call of this device: Successful when the play reaches `to`,
  // Superseded when another Play, a Resume with a notify of its own or an Open
  // replaces it, Aborted when Stop, Seek or Close ends it. Pause keeps it
  // pending. Destroying the device drops the notifies not yet run.
  virtual int Play(std::int32_t from, std::int32_t to, Notify notify) = 0;
  virtual int Stop() = 0;
  // Holds a play where it is; a device that is not playing is left as it is.
  virtual int Pause() = 0;
  // Continues a paused play; a given notify replaces the pending one (which
  // is then Superseded). kNonApplicable when nothing is paused; kOk and only
  // the notify swap while playing.
  virtual int Resume(Notify notify) = 0;
  // Stops (see Stop) and moves to `position`.
  virtual int Seek(std::int32_t position) = 0;
  virtual int SeekToStart() = 0;

  // Frames on a file without video gives kBadTimeFormat.
  virtual int SetTimeFormat(MediaTimeFormat format) = 0;
  virtual int Length(std::int32_t* out) = 0;
  virtual int Position(std::int32_t* out) = 0;
  // A closed device gives kNotOpen with *out = NotReady.
  virtual int Mode(MediaMode* out) = 0;

  // Where the video goes: frames are drawn into `rect` of `window`'s
  // framebuffer, scaled to it (a rect whose right and bottom are both 0 means
  // the natural size at its left and top), and presented there at the clip's
  // frame rate. nullptr gives the video back to a borderless window of the
  // device's own (role "clip", natural size, centred on the screen, never
  // taking the keyboard focus), which is also where a video plays when no
  // window was ever set. The window must outlive the device or be replaced
  // (nullptr) before it goes. On a file without video only stored.
  virtual int SetVideoWindow(Window* window, const Rect& rect) = 0;
  // Draws the last frame shown into the video rect of `canvas`, so that a
  // window that repaints itself fully can paint the video back over its own
  // background. Nothing when no frame was shown since Open.
  virtual void DrawVideo(Bitmap& canvas) const = 0;
  // While hidden, frames go on (the last one is kept for DrawVideo) but none
  // is drawn into the window: the part of it the video shows in is hidden
  // (its screen left, or the window's own fade runs). Shown at Open.
  virtual void ShowVideo(bool shown) = 0;

  virtual std::string ErrorString(int code) const = 0;
};

class MediaSystem {
 public:
  virtual ~MediaSystem() = default;
  virtual std::unique_ptr<MediaDevice> CreateDevice() = 0;
  // The program's own output gain per channel, 0..0xFFFF, applied to
  // everything it plays (sound effects included), never the desktop's master
  // volume. Safe from any thread (a fade sets it from a timer thread); the
  // value read back is exactly the value set. Full (0xFFFF) at start.
  virtual void SetWaveVolume(std::uint16_t left, std::uint16_t right) = 0;
  virtual void WaveVolume(std::uint16_t* left, std::uint16_t* right) const = 0;
};

}  // namespace trv
