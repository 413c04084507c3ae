#include "platform/sdl/SdlPlatform.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/DisplayScale.h"
#include "platform/Log.h"
#include "platform/fonts/FontEngine.h"
#include "platform/ScreenCapture.h"
#include "platform/Text.h"

namespace trv {

SdlPlatform::SdlPlatform(const PlatformConfig& config)
    : trace_([this] { return loop_ ? loop_->NowMs() : 0; }) {
  fonts_ = CreateFontEngine();
  web_ = CreateCurlHttp(&trace_);
  // The program decides what a close or a signal means, and draws in software
  // (the plain X11 surface works on any server, Xvfb included).
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  loop_ = std::make_unique<SdlEventLoop>();
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) {
    ready_ = true;
    const char* driver = SDL_GetCurrentVideoDriver();
    x11_ = driver && std::strcmp(driver, "x11") == 0;
    SDL_StartTextInput();
  } else {
    Log("sdl", std::string("cannot start video: ") + SDL_GetError());
  }
  loop_->SetEventHandler([this](const SDL_Event& ev) { HandleEvent(ev); });
  if (!config.tracePath.empty() && !trace_.OpenFile(config.tracePath))
    Log("sdl", "cannot write the trace to " + config.tracePath);
  settings_ = std::make_unique<SettingsStore>(
      config.settingsDir.empty() ? SettingsStore::DefaultDir() : config.settingsDir, &trace_);
  audioOut_ = std::make_shared<SdlAudioOut>();
  sound_ = std::make_unique<SdlSound>(*loop_, trace_, audioOut_);
  media_ = std::make_unique<SdlMediaSystem>(*this, audioOut_);
  shell_ = std::make_unique<PosixShell>(trace_);
  if (ready_) {
    DisplayFacts display;
    if (SDL_GetDisplayDPI(0, &display.dpi, nullptr, nullptr) != 0) display.dpi = 0;
    SDL_Rect area{};
    if (SDL_GetDisplayUsableBounds(0, &area) == 0 || SDL_GetDisplayBounds(0, &area) == 0)
      display.usable = {area.w, area.h};
    scale_ = ChooseDisplayScale(display, std::getenv(kScaleEnvironment), settings_.get());
  }
}

SdlPlatform::~SdlPlatform() {
  loop_->Terminate(loop_->ExitCode());
  if (!windows_.empty()) Log("sdl", "windows outlive the platform");
  for (SDL_Cursor* c : cursors_)
    if (c) SDL_FreeCursor(c);
  media_.reset();
  sound_.reset();
  audioOut_.reset();
  shell_.reset();
  if (ready_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
  loop_.reset();
}

std::uint64_t SdlPlatform::Register(SdlWindow* w) {
  windows_.push_back(w);
  stack_.Add(*w, w->Topmost(), w->NoActivate());
  return nextSerial_++;
}

void SdlPlatform::Unregister(SdlWindow* w) {
  windows_.erase(std::remove(windows_.begin(), windows_.end(), w), windows_.end());
  router_.Forget(*w, false);
  if (stack_.Remove(*w)) GiveSystemFocus();
}

void SdlPlatform::OnWindowShown(SdlWindow& w, bool activate) {
  // SDL has just given the window the system's focus anyway where there is no
  // window manager; one that must not hold it hands it back at once.
  if (!stack_.Shown(w, activate)) GiveSystemFocus();
}

void SdlPlatform::OnWindowHidden(SdlWindow& w) {
  router_.Forget(w, true);
  if (stack_.Hidden(w)) GiveSystemFocus();
}

void SdlPlatform::GiveSystemFocus() {
  SdlWindow* w = Focused();
  if (w && w->Handle() && w->Visible()) SDL_SetWindowInputFocus(w->Handle());
}

SdlWindow* SdlPlatform::FindBySdlId(Uint32 id) const {
  if (id == 0) return nullptr;
  for (SdlWindow* w : windows_)
    if (w->SdlId() == id) return w;
  return nullptr;
}

SdlWindow* SdlPlatform::FindBySerial(std::uint64_t serial) const {
  if (serial == 0) return nullptr;
  for (SdlWindow* w : windows_)
    if (w->Serial() == serial) return w;
  return nullptr;
}

Bitmap SdlPlatform::CaptureScreen(const Rect& screenRect) {
  return ComposeScreen(screenRect, stack_.BottomToTop());
}

std::unique_ptr<Window> SdlPlatform::CreateWindow(const WindowOptions& options) {
  return std::make_unique<SdlWindow>(*this, options);
}

Size SdlPlatform::ScreenSize() const {
  SDL_Rect r{};
  if (ready_ && SDL_GetDisplayBounds(0, &r) == 0) return {r.w / scale_, r.h / scale_};
  return {640, 480};
}

std::string SdlPlatform::ClipboardText() {
  if (!ready_) return {};
  char* text = SDL_GetClipboardText();
  std::string utf8 = text ? text : "";
  SDL_free(text);
  return Utf8ToCp1251(utf8);
}

void SdlPlatform::SetClipboardText(const std::string& cp1251) {
  if (ready_ && SDL_SetClipboardText(Cp1251ToUtf8(cp1251).c_str()) != 0)
    Log("sdl", std::string("cannot set the clipboard: ") + SDL_GetError());
}

void SdlPlatform::ShowMessageBox(const std::string& caption, const std::string& text) {
  trace_.Emit("messagebox").Text("caption", caption).Text("text", text);
  SdlWindow* parent = Focused();
  if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, Cp1251ToUtf8(caption).c_str(),
                               Cp1251ToUtf8(text).c_str(), parent ? parent->Handle() : nullptr) != 0)
    Log("sdl", "cannot show a message box (" + std::string(SDL_GetError()) + "): " + Cp1251ToUtf8(text));
}

void SdlPlatform::ApplyCursor(const SdlWindow& w) {
  const int index = int(w.CurrentCursor());
  if (index == currentCursor_) return;
  static const SDL_SystemCursor kSystem[4] = {SDL_SYSTEM_CURSOR_ARROW, SDL_SYSTEM_CURSOR_WAIT,
                                              SDL_SYSTEM_CURSOR_HAND, SDL_SYSTEM_CURSOR_IBEAM};
  if (!cursors_[std::size_t(index)]) cursors_[std::size_t(index)] = SDL_CreateSystemCursor(kSystem[index]);
  if (cursors_[std::size_t(index)]) SDL_SetCursor(cursors_[std::size_t(index)]);
  currentCursor_ = index;
}

std::unique_ptr<Platform> CreateSdlPlatform(const PlatformConfig& config) {
  auto platform = std::make_unique<SdlPlatform>(config);
  if (!platform->Ready()) return nullptr;
  return platform;
}

}  // namespace trv
