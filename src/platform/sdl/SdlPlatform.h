#pragma once

#include <SDL.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/SettingsStore.h"
#include "platform/sdl/PosixShell.h"
#include "platform/sdl/SdlEventLoop.h"
#include "platform/sdl/SdlSound.h"
#include "platform/sdl/SdlWindow.h"
#include "platform/sdl/X11Desktop.h"

namespace trv {

// The real platform: SDL2 video, input and audio, POSIX processes, X11 where
// SDL has nothing. Lives on the thread that creates it (the UI thread).
class SdlPlatform : public Platform {
 public:
  explicit SdlPlatform(const PlatformConfig& config);
  ~SdlPlatform() override;

  // False when SDL's video could not start (no display); nothing else works then.
  bool Ready() const { return ready_; }

  std::string_view BackendName() const override { return "sdl"; }
  EventLoop& Loop() override { return *loop_; }
  Sound& Audio() override { return *sound_; }
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
  // Windows alive now, oldest first.
  const std::vector<SdlWindow*>& Windows() const { return windows_; }
  SdlWindow* FindBySdlId(Uint32 id) const;
  SdlWindow* FindBySerial(std::uint64_t serial) const;

  // Routes one SDL event to the window it belongs to (the loop calls it).
  void HandleEvent(const SDL_Event& ev);

 private:
  friend class SdlWindow;
  std::uint64_t Register(SdlWindow* w);
  void Unregister(SdlWindow* w);
  void StartDrag(SdlWindow& w);
  void SetCapture(SdlWindow* w, bool capture);
  void ApplyCursor(const SdlWindow& w);
  void OnWindowHidden(SdlWindow& w);

  // Event handling, by kind.
  void HandleWindowEvent(const SDL_WindowEvent& e);
  void HandleMouse(const SDL_Event& ev);
  void HandleKey(const SDL_KeyboardEvent& e);
  void HandleText(const SDL_TextInputEvent& e);
  void HandleDrop(const SDL_DropEvent& e);
  // The window keyboard input goes to: SDL's focus, else the last activated.
  SdlWindow* KeyTarget(Uint32 windowId) const;
  // Client point of the mouse for window `w`, given an event point in `from`.
  Point ClientPoint(SdlWindow* from, int x, int y, const SdlWindow& w) const;
  // Global mouse position and left button, from X11 when there is a display.
  bool GlobalMouse(int* x, int* y, bool* leftDown);
  // Moves the dragged window after the mouse; ends the drag when the left
  // button is up.
  void UpdateDrag();
  void EndDrag();

  bool ready_ = false;
  bool x11_ = false;  // the video driver is X11 (global mouse state is real)
  std::unique_ptr<SdlEventLoop> loop_;
  Trace trace_;
  std::unique_ptr<SettingsStore> settings_;
  std::unique_ptr<SdlSound> sound_;
  std::unique_ptr<PosixShell> shell_;
  std::unique_ptr<FontEngine> fonts_;
  std::unique_ptr<Http> web_;
  Keyboard keyboard_;
  X11Desktop pointer_;  // for the mouse position during a drag

  std::vector<SdlWindow*> windows_;
  std::uint64_t nextSerial_ = 1;
  std::uint64_t activeSerial_ = 0;    // the last window that got the focus
  std::uint64_t capturedSerial_ = 0;
  std::uint64_t underMouseSerial_ = 0;
  unsigned buttons_ = 0;              // mouse buttons held, as shift bits
  bool dropNextText_ = false;         // the key just handled typed its character already

  std::array<SDL_Cursor*, 4> cursors_{};
  int currentCursor_ = -1;

  // A drop in progress.
  Uint32 dropWindow_ = 0;
  bool dropOpen_ = false;
  std::vector<std::string> dropped_;

  // A window being dragged: its origin and the mouse position where it began.
  std::uint64_t dragSerial_ = 0;
  Point dragOrigin_, dragStart_;
  TimerId dragTimer_ = 0;
  bool swallowLeftUp_ = false;  // a drag ended by polling: its release event is not delivered
};

}  // namespace trv
