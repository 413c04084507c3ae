#include "platform/headless/HeadlessPlatform.h"

#include <algorithm>

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
  // Oldest first, always-on-top windows above the rest.
  std::vector<Window*> order;
  for (HeadlessWindow* w : windows_)
    if (!w->Topmost()) order.push_back(w);
  for (HeadlessWindow* w : windows_)
    if (w->Topmost()) order.push_back(w);
  return ComposeScreen(screenRect, order);
}

std::unique_ptr<Window> HeadlessPlatform::CreateWindow(const WindowOptions& options) {
  return std::make_unique<HeadlessWindow>(*this, options);
}

void HeadlessPlatform::ShowMessageBox(const std::string& caption, const std::string& text) {
  messageBoxes_.push_back({caption, text});
  trace_.Emit("messagebox").Text("caption", caption).Text("text", text);
}

void HeadlessPlatform::Unregister(HeadlessWindow* w) {
  windows_.erase(std::remove(windows_.begin(), windows_.end(), w), windows_.end());
  if (captured_ == w) captured_ = nullptr;
  if (underMouse_ == w) underMouse_ = nullptr;
  if (dragging_ == w) dragging_ = nullptr;
}

HeadlessWindow* HeadlessPlatform::FindWindow(const std::string& role) const {
  HeadlessWindow* hidden = nullptr;
  for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) {
    if ((*it)->Role() != role) continue;
    if ((*it)->Visible()) return *it;
    if (!hidden) hidden = *it;
  }
  return hidden;
}

HeadlessWindow* HeadlessPlatform::Target(const std::string& role, Point p, Point* client) {
  HeadlessWindow* w = FindWindow(role);
  if (!w) return nullptr;
  const Point origin = dragging_ == w ? dragOrigin_ : Point{w->Bounds().left, w->Bounds().top};
  const Point screen{origin.x + p.x, origin.y + p.y};
  lastScreen_ = screen;
  auto clientOf = [&](HeadlessWindow* t) { return Point{screen.x - t->Bounds().left, screen.y - t->Bounds().top}; };
  if (captured_) {
    *client = clientOf(captured_);
    return captured_;
  }
  auto accepts = [&](HeadlessWindow* t) { return t->Visible() && !t->Minimized() && t->InShape(clientOf(t)); };
  if (accepts(w)) {
    *client = clientOf(w);
    return w;
  }
  // Outside the window or its shape: the window beneath gets the event.
  for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) {
    if (*it != w && accepts(*it)) {
      *client = clientOf(*it);
      return *it;
    }
  }
  return nullptr;
}

void HeadlessPlatform::Leave(HeadlessWindow* next) {
  if (underMouse_ && underMouse_ != next && underMouse_->Events()) underMouse_->Events()->OnMouseLeave();
  underMouse_ = next;
}

bool HeadlessPlatform::Mouse(const std::string& role, MouseAction action, Point p, MouseButton button,
                             unsigned shift) {
  const unsigned bit = button == MouseButton::Left ? kLeftButton : button == MouseButton::Right ? kRightButton
                                                                                                 : kMiddleButton;
  Point client;
  HeadlessWindow* dragged = dragging_;
  HeadlessWindow* t = Target(role, p, &client);
  if (dragged) {
    // The drag swallows the mouse: the window follows it until the button is up.
    if (action == MouseAction::Move) {
      Rect b = dragged->Bounds();
      const int dx = dragOrigin_.x + (lastScreen_.x - dragStart_.x) - b.left;
      const int dy = dragOrigin_.y + (lastScreen_.y - dragStart_.y) - b.top;
      dragged->SetBounds(b.Offset(dx, dy));
    } else if (action == MouseAction::Up && button == MouseButton::Left) {
      buttons_ &= ~bit;
      dragging_ = nullptr;
    }
    return true;
  }
  if (action == MouseAction::Down) buttons_ |= bit;
  if (action == MouseAction::Up) buttons_ &= ~bit;
  Leave(t);
  if (!t || !t->Events()) return false;
  // As with the system's messages, the state names the buttons held after the
  // event: a released button is no longer in it.
  const unsigned state = shift | buttons_;
  switch (action) {
    case MouseAction::Move: t->Events()->OnMouseMove(client, state); break;
    case MouseAction::Down: t->Events()->OnMouseDown(button, client, state); break;
    case MouseAction::Up: t->Events()->OnMouseUp(button, client, state); break;
  }
  return true;
}

bool HeadlessPlatform::Click(const std::string& role, Point p, MouseButton button, unsigned shift) {
  bool down = Mouse(role, MouseAction::Down, p, button, shift);
  bool up = Mouse(role, MouseAction::Up, p, button, shift);
  return down || up;
}

bool HeadlessPlatform::Wheel(const std::string& role, Point p, int delta, unsigned shift) {
  Point client;
  HeadlessWindow* t = Target(role, p, &client);
  if (!t || !t->Events()) return false;
  t->Events()->OnMouseWheel(delta, client, shift | buttons_);
  return true;
}

bool HeadlessPlatform::KeyDown(const std::string& role, int virtualKey, unsigned shift) {
  HeadlessWindow* w = FindWindow(role);
  if (!w || !w->Visible() || !w->Events()) return false;
  w->Events()->OnKeyDown(virtualKey, shift);
  return true;
}

bool HeadlessPlatform::KeyUp(const std::string& role, int virtualKey, unsigned shift) {
  HeadlessWindow* w = FindWindow(role);
  if (!w || !w->Visible() || !w->Events()) return false;
  w->Events()->OnKeyUp(virtualKey, shift);
  return true;
}

bool HeadlessPlatform::KeyPress(const std::string& role, int virtualKey, unsigned shift) {
  if (!KeyDown(role, virtualKey, shift)) return false;
  // The handler may have closed or hidden the window: look it up again.
  if (auto c = keyboard_.CharForKey(virtualKey, shift, capsLock_)) {
    HeadlessWindow* w = FindWindow(role);
    if (w && w->Visible() && w->Events()) w->Events()->OnChar(*c);
  }
  KeyUp(role, virtualKey, shift);
  return true;
}

bool HeadlessPlatform::TypeText(const std::string& role, const std::string& utf8) {
  HeadlessWindow* w = FindWindow(role);
  if (!w || !w->Visible() || !w->Events()) return false;
  bool ok = true;
  const std::string text = Utf8ToCp1251(utf8, &ok);
  if (!ok) Log("headless", "typed text has characters code page 1251 cannot hold: " + utf8);
  for (char c : text) {
    w = FindWindow(role);
    if (!w || !w->Visible() || !w->Events()) break;
    w->Events()->OnChar(c);
  }
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
  w->Events()->OnDropFiles(paths);
  return true;
}

bool HeadlessPlatform::RequestClose(const std::string& role) {
  HeadlessWindow* w = FindWindow(role);
  if (!w || !w->Events()) return false;
  w->Events()->OnCloseRequest();
  return true;
}

std::unique_ptr<Platform> CreateHeadlessPlatform(const PlatformConfig& config) {
  return std::make_unique<HeadlessPlatform>(config);
}

}  // namespace trv
