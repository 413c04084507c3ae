#include "platform/LoopRules.h"
#include "platform/TraceEvents.h"
#include "platform/headless/HeadlessPlatform.h"

namespace trv {

HeadlessWindow::HeadlessWindow(HeadlessPlatform& platform, const WindowOptions& options)
    : platform_(platform), options_(options), bounds_(options.bounds) {
  framebuffer_.Resize(std::max(0, bounds_.Width()), std::max(0, bounds_.Height()));
  platform_.Register(this);
}

HeadlessWindow::~HeadlessWindow() { platform_.Unregister(this); }

void HeadlessWindow::Present() {
  presented_ = framebuffer_;
  ++presentCount_;
}

void HeadlessWindow::Present(const Rect&) { Present(); }

void HeadlessWindow::SetBounds(const Rect& r) {
  const bool resized = r.Width() != bounds_.Width() || r.Height() != bounds_.Height();
  if (r == bounds_) return;
  bounds_ = r;
  if (resized) framebuffer_.Resize(std::max(0, r.Width()), std::max(0, r.Height()), color_);
  TraceWindowBounds(platform_.Tracer(), Role(), r);
}

void HeadlessWindow::ShowWindow(bool activate) {
  if (visible_ && !minimized_) return;
  visible_ = true;
  minimized_ = false;
  platform_.stack_.Shown(*this, activate);
  TraceWindow(platform_.Tracer(), Role(), "show");
}

void HeadlessWindow::Hide() {
  if (!visible_) return;
  visible_ = false;
  platform_.router_.Forget(*this, true);
  platform_.stack_.Hidden(*this);
  TraceWindow(platform_.Tracer(), Role(), "hide");
}

bool HeadlessWindow::HasFocus() const { return platform_.stack_.Focused() == this; }

void HeadlessWindow::Raise() {
  if (visible_) platform_.stack_.Raise(*this);
}

void HeadlessWindow::SetTopmost(bool topmost) {
  options_.topmost = topmost;
  platform_.stack_.SetTopmost(*this, topmost);
}

void HeadlessWindow::Minimize() {
  if (minimized_) return;
  minimized_ = true;
  TraceWindow(platform_.Tracer(), Role(), "minimize");
  if (events_) CallGuarded("a minimize handler", [&] { events_->OnMinimize(); });
}

void HeadlessWindow::Restore() {
  if (!minimized_) return;
  minimized_ = false;
  TraceWindow(platform_.Tracer(), Role(), "restore");
  if (events_) CallGuarded("a restore handler", [&] { events_->OnRestore(); });
}

void HeadlessWindow::SetRegion(const Polygon& polygon) {
  region_ = polygon;
  TraceWindowRegion(platform_.Tracer(), Role(), polygon.size());
}

void HeadlessWindow::ClearRegion() {
  if (!region_) return;
  region_.reset();
  TraceWindowRegion(platform_.Tracer(), Role(), 0);
}

void HeadlessWindow::SetFramed(bool framed) {
  if (framed == framed_) return;
  framed_ = framed;
  TraceWindow(platform_.Tracer(), Role(), framed ? "frame" : "no-frame");
}

void HeadlessWindow::Maximize() {
  if (maximized_) return;
  normalBounds_ = bounds_;
  maximized_ = true;
  TraceWindow(platform_.Tracer(), Role(), "maximize");
  const Size screen = platform_.ScreenSize();
  SetBounds({0, 0, screen.width, screen.height});
}

void HeadlessWindow::ShowNormal() {
  if (!maximized_) return;
  maximized_ = false;
  TraceWindow(platform_.Tracer(), Role(), "normal");
  SetBounds(normalBounds_);
}

void HeadlessWindow::BeginDrag() { platform_.router_.BeginDrag(*this, platform_.router_.LastPointer(), false); }

void HeadlessWindow::SetMouseCapture(bool capture) { platform_.router_.SetCapture(*this, capture); }

void HeadlessWindow::Close() {
  // Like a posted close message: handled later on the loop thread, and only if
  // the window still exists then.
  HeadlessPlatform* platform = &platform_;
  HeadlessWindow* self = this;
  platform_.Loop().Post([platform, self] {
    for (HeadlessWindow* w : platform->Windows())
      if (w == self && w->events_) w->events_->OnCloseRequest();
  });
}

}  // namespace trv
