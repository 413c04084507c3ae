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
  if (resized) framebuffer_.Resize(std::max(0, r.Width()), std::max(0, r.Height()));
  TraceWindowBounds(platform_.Tracer(), Role(), r);
}

void HeadlessWindow::Show() {
  if (visible_ && !minimized_) return;
  visible_ = true;
  minimized_ = false;
  TraceWindow(platform_.Tracer(), Role(), "show");
}

void HeadlessWindow::Hide() {
  if (!visible_) return;
  visible_ = false;
  if (platform_.captured_ == this) platform_.captured_ = nullptr;
  if (platform_.dragging_ == this) platform_.dragging_ = nullptr;
  TraceWindow(platform_.Tracer(), Role(), "hide");
}

void HeadlessWindow::Minimize() {
  if (minimized_) return;
  minimized_ = true;
  TraceWindow(platform_.Tracer(), Role(), "minimize");
  if (events_) events_->OnMinimize();
}

void HeadlessWindow::Restore() {
  if (!minimized_) return;
  minimized_ = false;
  TraceWindow(platform_.Tracer(), Role(), "restore");
  if (events_) events_->OnRestore();
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

bool HeadlessWindow::InShape(Point p) const {
  if (p.x < 0 || p.y < 0 || p.x >= bounds_.Width() || p.y >= bounds_.Height()) return false;
  return !region_ || PolygonContains(*region_, p.x, p.y);
}

void HeadlessWindow::BeginDrag() {
  if (!(platform_.buttons_ & kLeftButton)) return;  // only while the left button is down
  platform_.dragging_ = this;
  platform_.dragOrigin_ = {bounds_.left, bounds_.top};
  platform_.dragStart_ = platform_.lastScreen_;
}

void HeadlessWindow::SetMouseCapture(bool capture) {
  if (capture)
    platform_.captured_ = this;
  else if (platform_.captured_ == this)
    platform_.captured_ = nullptr;
}

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
