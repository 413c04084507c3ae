#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "platform/EventLoop.h"
#include "platform/MediaDevice.h"
#include "platform/Window.h"

namespace trv {

// What the player raises: an operation that needs an open device on a closed
// player ("No MCI device open"), and a failed Open (the device's message).
class EMCIDeviceError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The device to open; the program always lets the file's type choose.
enum TMPDeviceTypes : std::uint8_t {
  dtAutoSelect, dtAVIVideo, dtCDAudio, dtDAT, dtDigitalVideo, dtMMMovie, dtOther,
  dtOverlay, dtScanner, dtSequencer, dtVCR, dtVideodisc, dtWaveAudio
};

// The outcome a notification carried.
enum TMPNotifyValues : std::uint8_t { nvSuccessful, nvSuperseded, nvAborted, nvFailure };

// Modes as callers compare them.
constexpr int kModePlaying = 2;
constexpr int kModePaused = 5;

// Time formats of SetTimeFormat.
constexpr int kFormatMilliseconds = 0;
constexpr int kFormatFrames = 3;

// A non-visual media player: one device opened on one file, played, stopped,
// paused and resumed, sought, asked for its length, position and mode, its
// video sent into a rectangle of a window. Each command either waits for its
// end or asks for a notification (OnNotify on the loop thread, NotifyValue
// saying how the command ended); SetNotify overrides that once. Loop thread only.
class TMPlayer {
 public:
  TMPlayer(MediaSystem& media, EventLoop& loop);
  virtual ~TMPlayer();
  TMPlayer(const TMPlayer&) = delete;
  TMPlayer& operator=(const TMPlayer&) = delete;

  // Called when a notification arrives, after NotifyValue was set.
  std::function<void(TMPlayer&)> OnNotify;

  // The next command that consults the override asks for a notification if
  // and only if `flag` is set; the override is then cleared.
  void SetNotify(bool flag) { notifyOverride_ = flag; }

  // Closes an open device first, then opens FileName. Throws EMCIDeviceError
  // with the device's message on failure; Error keeps the code and the player
  // stays closed. A stored display is applied when the file has video.
  void Open();
  // Nothing when no device is open.
  void Close();
  // The commands below throw "No MCI device open" on a closed player.
  // Plays from the current position to the end, notifying by default.
  void Play();
  void Stop();
  // Pauses a playing device, resumes a paused one (notifying by default; a
  // failed resume plays instead); nothing in any other mode.
  void Pause();
  void Seek(std::int32_t position);
  std::int32_t Length();
  // These need no open device: a failed query gives 0 (mode "not ready").
  void SetTimeFormat(int format);
  std::int32_t Position();
  int Mode();
  // Where the video goes: `rect` of `window` (right and bottom 0: the natural
  // size at its left and top). Applied at once when a device with video is
  // open, otherwise kept for the next Open.
  void SetDisplay(Window* window, const Rect& rect);
  Window* Display() const { return display_; }
  const Rect& DisplayRect() const { return displayRect_; }
  // Draws the video's last frame over `canvas` (the display's own picture).
  void DrawVideo(Bitmap& canvas) const;
  // Hidden, the video goes on without drawing into the display (whose place
  // for it is hidden); kept for the files opened later.
  void ShowVideo(bool shown);
  std::string ErrorMessage() const;

  bool Opened() const { return device_ != nullptr; }
  bool HasVideo() const { return hasVideo_; }
  int Error() const { return error_; }
  TMPNotifyValues NotifyValue() const { return notifyValue_; }

  std::string FileName;  // a Windows path, as scripts write them
  TMPDeviceTypes DeviceType = dtAutoSelect;
  bool AutoRewind = false;
  bool Shareable = false;

 protected:
  // A notification arrived: the default calls OnNotify.
  virtual void Notified();
  // The override, or `byDefault` when none is pending; clears it.
  bool TakeNotify(bool byDefault);
  // Throws "No MCI device open" when closed.
  MediaDevice& Need();
  // Plays from `from` to `to` (negative: the current position, the end).
  void PlayRange(std::int32_t from, std::int32_t to);
  // A completion notice for the command just sent, when one was asked for.
  MediaDevice::Notify Notice(bool wanted);

 private:
  void Deliver(MediaNotify value);

  MediaSystem& media_;
  EventLoop& loop_;
  std::unique_ptr<MediaDevice> device_;
  bool hasVideo_ = false;
  int error_ = 0;
  TMPNotifyValues notifyValue_ = nvSuccessful;
  std::optional<bool> notifyOverride_;
  Window* display_ = nullptr;
  Rect displayRect_{};
  bool videoShown_ = true;
  // Notices still on their way hold this: none reaches a player that is gone.
  std::shared_ptr<TMPlayer*> self_;
};

}  // namespace trv
