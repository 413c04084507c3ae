#include "platform/headless/HeadlessPlatform.h"

#include <algorithm>

#include "platform/LoopRules.h"
#include "platform/Log.h"
#include "platform/fonts/FontEngine.h"
#include "platform/ScreenCapture.h"
#include "platform/Paths.h"
#include "platform/Text.h"

namespace trv {

HeadlessPlatform::HeadlessPlatform(const PlatformConfig& config)
    : trace_([this] { return loop_.NowMs(); }),
      settings_(std::make_unique<SettingsStore>(
          config.settingsDir.empty() ? SettingsStore::DefaultDir() : config.settingsDir, &trace_)),
      sound_(loop_, trace_),
      shell_(*this, trace_) {
  fonts_ = CreateFontEngine();
  web_ = CreateCurlHttp(&trace_);
  if (!config.tracePath.empty() && !trace_.OpenFile(config.tracePath))
    Log("headless", "cannot write the trace to " + config.tracePath);
}

HeadlessPlatform::~HeadlessPlatform() { loop_.Terminate(loop_.ExitCode()); }

Bitmap HeadlessPlatform::CaptureScreen(const Rect& screenRect) {
  return ComposeScreen(screenRect, stack_.BottomToTop());
}

std::unique_ptr<Window> HeadlessPlatform::CreateWindow(const WindowOptions& options) {
  return std::make_unique<HeadlessWindow>(*this, options);
}

void HeadlessPlatform::ShowMessageBox(const std::string& caption, const std::string& text) {
  messageBoxes_.push_back({caption, text});
  trace_.Emit("messagebox").Text("caption", caption).Text("text", text);
}

void HeadlessPlatform::Register(HeadlessWindow* w) {
  windows_.push_back(w);
  stack_.Add(*w, w->Topmost(), w->NoActivate());
}

void HeadlessPlatform::Unregister(HeadlessWindow* w) {
  windows_.erase(std::remove(windows_.begin(), windows_.end(), w), windows_.end());
  router_.Forget(*w, false);
  stack_.Remove(*w);
}

HeadlessWindow* HeadlessPlatform::Focused() const { return static_cast<HeadlessWindow*>(stack_.Focused()); }

HeadlessWindow* HeadlessPlatform::FindWindow(const std::string& role) const {
  HeadlessWindow* hidden = nullptr;
  for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) {
    if ((*it)->Role() != role) continue;
    if ((*it)->Visible()) return *it;
    if (!hidden) hidden = *it;
  }
  return hidden;
}

bool HeadlessPlatform::Mouse(const std::string& role, MouseAction action, Point p, MouseButton button,
                             unsigned shift) {
  HeadlessWindow* w = FindWindow(role);
  if (!w) return false;
  MouseRouter::Event e;
  e.action = action == MouseAction::Move ? MouseRouter::Action::Move
             : action == MouseAction::Down ? MouseRouter::Action::Down
                                           : MouseRouter::Action::Up;
  const Point origin = router_.Dragged() == w ? router_.DragOrigin() : Point{w->Bounds().left, w->Bounds().top};
  e.screen = {origin.x + p.x, origin.y + p.y};
  e.button = button;
  e.keys = shift;
  return router_.Route(w, e);
}

bool HeadlessPlatform::Click(const std::string& role, Point p, MouseButton button, unsigned shift) {
  bool down = Mouse(role, MouseAction::Down, p, button, shift);
  bool up = Mouse(role, MouseAction::Up, p, button, shift);
  return down || up;
}

bool HeadlessPlatform::Wheel(const std::string& role, Point p, int delta, unsigned shift) {
  HeadlessWindow* w = FindWindow(role);
  if (!w) return false;
  MouseRouter::Event e;
  e.action = MouseRouter::Action::Wheel;
  e.screen = {w->Bounds().left + p.x, w->Bounds().top + p.y};
  e.wheelDelta = delta;
  e.keys = shift;
  return router_.Route(w, e);
}

template <typename F>
bool HeadlessPlatform::Deliver(const std::string& role, F&& call) {
  HeadlessWindow* w = FindWindow(role);
  if (!w || !w->Visible() || !w->Events()) return false;
  CallGuarded("a key handler", [&] { call(*w->Events()); });
  return true;
}

bool HeadlessPlatform::KeyDown(const std::string& role, int virtualKey, unsigned shift) {
  return Deliver(role, [&](WindowEvents& e) { e.OnKeyDown(virtualKey, shift); });
}

bool HeadlessPlatform::KeyUp(const std::string& role, int virtualKey, unsigned shift) {
  return Deliver(role, [&](WindowEvents& e) { e.OnKeyUp(virtualKey, shift); });
}

bool HeadlessPlatform::KeyPress(const std::string& role, int virtualKey, unsigned shift) {
  if (!KeyDown(role, virtualKey, shift)) return false;
  // The handler may have closed or hidden the window: look it up again.
  if (auto c = keyboard_.CharForKey(virtualKey, shift, capsLock_))
    Deliver(role, [&](WindowEvents& e) { e.OnChar(*c); });
  KeyUp(role, virtualKey, shift);
  return true;
}

bool HeadlessPlatform::TypeText(const std::string& role, const std::string& utf8) {
  HeadlessWindow* w = FindWindow(role);
  if (!w || !w->Visible() || !w->Events()) return false;
  bool ok = true;
  const std::string text = Utf8ToCp1251(utf8, &ok);
  if (!ok) Log("headless", "typed text has characters code page 1251 cannot hold: " + utf8);
  for (char c : text)
    if (!Deliver(role, [&](WindowEvents& e) { e.OnChar(c); })) break;
  return true;
}

bool HeadlessPlatform::DropFiles(const std::string& role, const std::vector<std::string>& nativePaths) {
  HeadlessWindow* w = FindWindow(role);
  if (!w || !w->Visible() || !w->AcceptsFiles() || !w->Events()) return false;
  std::vector<std::string> paths;
  for (const std::string& p : nativePaths) {
    bool ok = true;
    std::string windowsPath = ToWindowsPath(p, &ok);
    if (!ok) {
      Log("headless", "dropped file name code page 1251 cannot hold: " + p);
      continue;
    }
    paths.push_back(windowsPath);
  }
  CallGuarded("a drop handler", [&] { w->Events()->OnDropFiles(paths); });
  return true;
}

bool HeadlessPlatform::RequestClose(const std::string& role) {
  HeadlessWindow* w = FindWindow(role);
  if (!w || !w->Events()) return false;
  CallGuarded("a close handler", [&] { w->Events()->OnCloseRequest(); });
  return true;
}

std::unique_ptr<Platform> CreateHeadlessPlatform(const PlatformConfig& config) {
  return std::make_unique<HeadlessPlatform>(config);
}

}  // namespace trv
