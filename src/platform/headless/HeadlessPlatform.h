#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/MediaCommands.h"
#include "platform/MouseRouter.h"
#include "platform/Platform.h"
#include "platform/SettingsStore.h"
#include "platform/SoundPlayer.h"
#include "platform/WindowStack.h"
#include "platform/headless/HeadlessEventLoop.h"

namespace trv {

class HeadlessPlatform;

// A window of the test backend: a real framebuffer, state kept in fields, and
// input injected by tests and scenarios through HeadlessPlatform.
class HeadlessWindow : public Window {
 public:
  HeadlessWindow(HeadlessPlatform& platform, const WindowOptions& options);
  ~HeadlessWindow() override;

  const std::string& Role() const override { return options_.role; }
  void SetEvents(WindowEvents* events) override { events_ = events; }
  WindowEvents* Events() const override { return events_; }
  Bitmap& Framebuffer() override { return framebuffer_; }
  void Present() override;
  void Present(const Rect& dirty) override;
  void SetBounds(const Rect& screenRect) override;
  Rect Bounds() const override { return bounds_; }
  void Show() override { ShowWindow(!options_.noActivate); }
  void ShowNoActivate() override { ShowWindow(false); }
  void Hide() override;
  bool Visible() const override { return visible_; }
  bool HasFocus() const override;
  void Minimize() override;
  void Restore() override;
  bool Minimized() const override { return minimized_; }
  void Raise() override;
  void SetTopmost(bool topmost) override;
  void SetRegion(const Polygon& polygon) override;
  void ClearRegion() override;
  const Polygon* Region() const override { return region_ ? &*region_ : nullptr; }
  void SetCaption(const std::string& cp1251) override { options_.caption = cp1251; }
  const std::string& Caption() const override { return options_.caption; }
  void SetIcon(const Bitmap& icon) override { icon_ = icon; }
  void SetCursor(Cursor cursor) override { cursor_ = cursor; }
  void BeginDrag() override;
  void SetMouseCapture(bool capture) override;
  void AcceptFiles(bool accept) override { acceptFiles_ = accept; }
  void Close() override;
  void SetFramed(bool framed) override;
  bool Framed() const override { return framed_; }
  void Maximize() override;
  void ShowNormal() override;
  bool Maximized() const override { return maximized_; }
  void SetColor(Color color) override { color_ = color; }

  // What tests look at.
  const Bitmap& Presented() const { return presented_; }  // the last presented frame
  int PresentCount() const { return presentCount_; }
  bool Topmost() const { return options_.topmost; }
  bool NoActivate() const { return options_.noActivate; }
  Cursor CurrentCursor() const { return cursor_; }
  const Bitmap& Icon() const { return icon_; }
  bool AcceptsFiles() const { return acceptFiles_; }

 private:
  friend class HeadlessPlatform;
  void ShowWindow(bool activate);
  HeadlessPlatform& platform_;
  WindowOptions options_;
  WindowEvents* events_ = nullptr;
  Rect bounds_;
  Bitmap framebuffer_;
  Bitmap presented_;
  int presentCount_ = 0;
  bool visible_ = false;
  bool minimized_ = false;
  std::optional<Polygon> region_;
  Bitmap icon_;
  Cursor cursor_ = Cursor::Arrow;
  bool acceptFiles_ = false;
  bool framed_ = false;
  bool maximized_ = false;
  Rect normalBounds_;
  Color color_ = MakeColor(255, 255, 255);
};

// Sounds are not heard: each play is recorded and "lasts" its WAV length on the
// virtual clock, so the rules of the three modes hold as they would.
class HeadlessSound : public SoundPlayer {
 public:
  struct Play {
    std::uint64_t t = 0;
    std::string file;
    SoundMode mode = SoundMode::Async;
    bool played = false;
    std::uint64_t durationMs = 0;
  };
  HeadlessSound(HeadlessEventLoop& loop, Trace& trace) : SoundPlayer(trace), loop_(loop) {}
  const std::vector<Play>& Plays() const { return plays_; }
  void ClearPlays() { plays_.clear(); }

 protected:
  bool DeviceStart(LoadedSound sound, std::string* error) override;
  void DeviceStop() override { playing_ = false; }
  bool DevicePlaying() const override { return playing_ && loop_.NowMs() < playingUntil_; }
  bool DeviceWait(std::uint64_t lengthMs) override;
  void Requested(const std::string& windowsPath, SoundMode mode, bool played, std::uint64_t lengthMs) override;

 private:
  HeadlessEventLoop& loop_;
  std::vector<Play> plays_;
  std::uint64_t playingUntil_ = 0;
  bool playing_ = false;
};

// Media devices on the virtual clock: a file's length (and frame rate, video)
// is read from its header with the shared probe, a play lasts its length in
// virtual time and ends by a loop timer, nothing is heard, and every frame of
// a video is one solid picture of kHeadlessVideoColor at the natural size.
constexpr Color kHeadlessVideoColor = MakeColor(40, 80, 160);

class HeadlessMediaSystem : public MediaSystem {
 public:
  explicit HeadlessMediaSystem(HeadlessPlatform& platform) : platform_(platform) {}
  std::unique_ptr<MediaDevice> CreateDevice() override;
  void SetWaveVolume(std::uint16_t left, std::uint16_t right) override {
    volume_.Set(left, right);
    volumeSets_.fetch_add(1, std::memory_order_relaxed);
  }
  void WaveVolume(std::uint16_t* left, std::uint16_t* right) const override { volume_.Get(left, right); }
  // How often the volume was set (a fade sets it thousands of times; the
  // trace does not list them).
  int VolumeSets() const { return volumeSets_.load(std::memory_order_relaxed); }

 private:
  HeadlessPlatform& platform_;
  int serial_ = 0;
  WaveVolumeStore volume_;
  std::atomic<int> volumeSets_{0};
};

// Desktop calls are recorded, never performed.
class HeadlessShell : public Shell {
 public:
  struct Call {
    std::string verb;  // "open", "start", "wait", "terminate", "close-window", "raise", "fonts-changed"
    std::string target;
    std::vector<std::string> args;
  };
  HeadlessShell(HeadlessPlatform& platform, Trace& trace) : platform_(platform), trace_(trace) {}

  bool OpenDocument(const std::string& target) override;
  std::optional<int> StartProcess(const std::string& windowsPath, const std::vector<std::string>& args,
                                  const std::string& workDir = {}) override;
  std::optional<int> WaitProcess(int pid, int timeoutMs) override;
  bool TerminateProcess(int pid) override;
  std::optional<WindowRef> FindWindowByTitle(const std::string& caption) override;
  std::optional<WindowRef> FindForeignWindowByTitle(const std::string& caption) override;
  bool RaiseWindow(WindowRef window) override;
  std::optional<int> StartOpener(const std::string& target) override;
  void FontsChanged(const std::string& nativeFolder) override;
  bool CloseWindow(WindowRef window) override;
  bool IsConnected() override { return connected_; }

  // Test controls.
  const std::vector<Call>& Calls() const { return calls_; }
  void SetConnected(bool connected) { connected_ = connected; }
  void SetProcessExitCode(int code) { exitCode_ = code; }
  void SetStartFails(bool fails) { startFails_ = fails; }
  // A window of another program, found by its caption until it is closed.
  WindowRef AddForeignWindow(const std::string& caption);
  bool ForeignWindowOpen(WindowRef ref) const { return foreign_.count(ref) != 0; }

 private:
  void Record(const char* verb, const std::string& target, const std::vector<std::string>& args = {});

  HeadlessPlatform& platform_;
  Trace& trace_;
  std::vector<Call> calls_;
  bool connected_ = true;
  int exitCode_ = 0;
  bool startFails_ = false;
  int nextPid_ = 4000;
  std::map<int, bool> running_;
  std::map<WindowRef, std::string> foreign_;
  WindowRef nextForeign_ = 1ull << 40;
};

class HeadlessPlatform : public Platform {
 public:
  explicit HeadlessPlatform(const PlatformConfig& config);
  ~HeadlessPlatform() override;

  std::string_view BackendName() const override { return "headless"; }
  EventLoop& Loop() override { return loop_; }
  Sound& Audio() override { return sound_; }
  MediaSystem& Media() override { return media_; }
  Registry& Settings() override { return *settings_; }
  Shell& Desktop() override { return shell_; }
  Keyboard& Keys() override { return keyboard_; }
  FontEngine& Fonts() override { return *fonts_; }
  Http& Web() override { return *web_; }
  Trace& Tracer() override { return trace_; }
  std::unique_ptr<Window> CreateWindow(const WindowOptions& options) override;
  Size ScreenSize() const override { return screen_; }
  Bitmap CaptureScreen(const Rect& screenRect) override;
  std::string ClipboardText() override { return clipboard_; }
  void SetClipboardText(const std::string& cp1251) override { clipboard_ = cp1251; }
  void ShowMessageBox(const std::string& caption, const std::string& text) override;

  HeadlessEventLoop& VirtualLoop() { return loop_; }
  HeadlessSound& Sounds() { return sound_; }
  HeadlessMediaSystem& MediaDevices() { return media_; }
  HeadlessShell& ShellCalls() { return shell_; }
  void SetScreenSize(Size s) { screen_ = s; }
  struct MessageBoxCall {
    std::string caption, text;
  };
  const std::vector<MessageBoxCall>& MessageBoxes() const { return messageBoxes_; }

  // Windows alive now, oldest first; the newest visible one of a role.
  const std::vector<HeadlessWindow*>& Windows() const { return windows_; }
  HeadlessWindow* FindWindow(const std::string& role) const;
  // The window that has the keyboard focus by the rule both backends follow
  // (keys injected below still go to the window named by role).
  HeadlessWindow* Focused() const;
  // The program's windows in z-order.
  const WindowStack& Stack() const { return stack_; }

  // Input, in client coordinates of the window of `role`, routed as the system
  // would (MouseRouter). During a drag the points are relative to where the
  // dragged window stood when the drag began.
  enum class MouseAction { Move, Down, Up };
  bool Mouse(const std::string& role, MouseAction action, Point p, MouseButton button = MouseButton::Left,
             unsigned shift = 0);
  bool Click(const std::string& role, Point p, MouseButton button = MouseButton::Left, unsigned shift = 0);
  bool Wheel(const std::string& role, Point p, int delta, unsigned shift = 0);
  // Key down, its character by the process layout, key up.
  bool KeyPress(const std::string& role, int virtualKey, unsigned shift = 0);
  bool KeyDown(const std::string& role, int virtualKey, unsigned shift = 0);
  bool KeyUp(const std::string& role, int virtualKey, unsigned shift = 0);
  // Text input (UTF-8) as characters, like an input method delivers it.
  bool TypeText(const std::string& role, const std::string& utf8);
  // Files dropped on the window, native paths.
  bool DropFiles(const std::string& role, const std::vector<std::string>& nativePaths);
  // The user closes the window from outside (the close button, a close message).
  bool RequestClose(const std::string& role);
  void SetCapsLock(bool on) { capsLock_ = on; }

 private:
  friend class HeadlessWindow;
  void Register(HeadlessWindow* w);
  void Unregister(HeadlessWindow* w);
  // Runs a handler of the window of `role` when it is visible and has one.
  template <typename F>
  bool Deliver(const std::string& role, F&& call);

  HeadlessEventLoop loop_;
  Trace trace_;
  std::unique_ptr<SettingsStore> settings_;
  HeadlessSound sound_;
  HeadlessMediaSystem media_{*this};
  HeadlessShell shell_;
  Keyboard keyboard_;
  std::unique_ptr<FontEngine> fonts_;
  std::unique_ptr<Http> web_;
  Size screen_{1280, 1024};
  std::string clipboard_;
  std::vector<MessageBoxCall> messageBoxes_;
  std::vector<HeadlessWindow*> windows_;
  WindowStack stack_;
  MouseRouter router_{stack_};
  bool capsLock_ = false;
};

}  // namespace trv
