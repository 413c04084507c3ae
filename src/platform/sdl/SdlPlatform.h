#pragma once

#include <SDL.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "platform/MouseRouter.h"
#include "platform/Platform.h"
#include "platform/SettingsStore.h"
#include "platform/WindowStack.h"
#include "platform/sdl/PosixShell.h"
#include "platform/sdl/SdlEventLoop.h"
#include "platform/sdl/SdlMedia.h"
#include "platform/sdl/SdlSound.h"
#include "platform/sdl/SdlWindow.h"
#include "platform/sdl/X11Desktop.h"

namespace trv {

// The real platform: SDL2 video, input and audio, POSIX processes, X11 where
// SDL has nothing. Lives on the thread that creates it (the UI thread). The
// z-order, the focus and the routing of the mouse follow the shared rules
// (WindowStack, MouseRouter); this class turns SDL's events into their terms
// and hands the system what they decide.
class SdlPlatform : public Platform, private MouseRouter::Device {
 public:
  explicit SdlPlatform(const PlatformConfig& config);
  ~SdlPlatform() override;

  // False when SDL's video could not start (no display); nothing else works then.
  bool Ready() const { return ready_; }
  // Screen pixels per program pixel (1, 2 or 3). The program sees a desktop of
  // the screen's size divided by it, and every position, size and pointer in
  // those pixels; only this backend multiplies them on the way out.
  int Scale() const { return scale_; }

  std::string_view BackendName() const override { return "sdl"; }
  EventLoop& Loop() override { return *loop_; }
  Sound& Audio() override { return *sound_; }
  MediaSystem& Media() override { return *media_; }
  Registry& Settings() override { return *settings_; }
  Shell& Desktop() override { return *shell_; }
  Keyboard& Keys() override { return keyboard_; }
  FontEngine& Fonts() override { return *fonts_; }
  Http& Web() override { return *web_; }
  Trace& Tracer() override { return trace_; }
  std::unique_ptr<Window> CreateWindow(const WindowOptions& options) override;
  Size ScreenSize() const override;
  Bitmap CaptureScreen(const Rect& screenRect) override;
  std::string ClipboardText() override;
  void SetClipboardText(const std::string& cp1251) override;
  void ShowMessageBox(const std::string& caption, const std::string& text) override;

  SdlEventLoop& RealLoop() { return *loop_; }
  SdlSound& RealSound() { return *sound_; }
  SdlMediaSystem& RealMedia() { return *media_; }
  // Windows alive now, oldest first.
  const std::vector<SdlWindow*>& Windows() const { return windows_; }
  SdlWindow* FindBySdlId(Uint32 id) const;
  SdlWindow* FindBySerial(std::uint64_t serial) const;
  // The window keys go to by the focus rule.
  SdlWindow* Focused() const { return static_cast<SdlWindow*>(stack_.Focused()); }

  // Routes one SDL event to the window it belongs to (the loop calls it).
  void HandleEvent(const SDL_Event& ev);

 private:
  friend class SdlWindow;
  std::uint64_t Register(SdlWindow* w);
  void Unregister(SdlWindow* w);
  void StartDrag(SdlWindow& w);
  void ApplyCursor(const SdlWindow& w);
  void OnWindowShown(SdlWindow& w, bool activate);
  void OnWindowHidden(SdlWindow& w);
  // Hands the system's keyboard focus to the window that holds it by the rule:
  // without a window manager X gives it to every window SDL maps and to none
  // when that one goes.
  void GiveSystemFocus();

  // MouseRouter::Device
  void HoldPointer(bool hold) override;
  void PointerOver(Window& w) override;

  // Event handling, by kind.
  void HandleWindowEvent(const SDL_WindowEvent& e);
  void HandleMouse(const SDL_Event& ev);
  void HandleKey(const SDL_KeyboardEvent& e);
  void HandleText(const SDL_TextInputEvent& e);
  void HandleDrop(const SDL_DropEvent& e);
  // The window keys reported for `windowId` go to: that one when it may hold
  // the focus, else the focused one.
  SdlWindow* KeyTarget(Uint32 windowId) const;
  // Global mouse position and left button, from X11 when there is a display.
  Point GlobalMouse(bool* leftDown);
  // Moves the dragged window after the polled pointer.
  void PollDrag();

  bool ready_ = false;
  int scale_ = 1;
  bool x11_ = false;  // the video driver is X11 (global mouse state is real)
  std::unique_ptr<SdlEventLoop> loop_;
  Trace trace_;
  std::unique_ptr<SettingsStore> settings_;
  std::shared_ptr<SdlAudioOut> audioOut_;  // the effects and the media play into it
  std::unique_ptr<SdlSound> sound_;
  std::unique_ptr<SdlMediaSystem> media_;
  std::unique_ptr<PosixShell> shell_;
  std::unique_ptr<FontEngine> fonts_;
  std::unique_ptr<Http> web_;
  Keyboard keyboard_;
  X11Desktop pointer_;  // for the mouse position during a drag

  std::vector<SdlWindow*> windows_;
  std::uint64_t nextSerial_ = 1;
  WindowStack stack_;
  MouseRouter router_{stack_, this};
  bool dropNextText_ = false;         // the key just handled typed its character already

  std::array<SDL_Cursor*, 4> cursors_{};
  int currentCursor_ = -1;

  // A drop in progress.
  Uint32 dropWindow_ = 0;
  bool dropOpen_ = false;
  std::vector<std::string> dropped_;

  TimerId dragTimer_ = 0;  // polls the pointer while a drag runs
};

}  // namespace trv
