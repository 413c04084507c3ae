#include "platform/WindowStack.h"

#include <algorithm>

namespace trv {

bool InWindowShape(const Window& w, Point p) {
  const Rect b = w.Bounds();
  if (p.x < 0 || p.y < 0 || p.x >= b.Width() || p.y >= b.Height()) return false;
  const Polygon* shape = w.Region();
  return !shape || PolygonContains(*shape, p.x, p.y);
}

std::vector<WindowStack::Entry>::iterator WindowStack::Find(const Window& w) {
  return std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.window == &w; });
}

std::vector<WindowStack::Entry>::const_iterator WindowStack::Find(const Window& w) const {
  return std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.window == &w; });
}

void WindowStack::ToTop(std::vector<Entry>::iterator it) {
  const Entry e = *it;
  entries_.erase(it);
  // The normal layer ends where the first always-on-top window stands.
  auto at = e.topmost ? entries_.end()
                      : std::find_if(entries_.begin(), entries_.end(), [](const Entry& o) { return o.topmost; });
  entries_.insert(at, e);
}

void WindowStack::Add(Window& w, bool topmost, bool noActivate) {
  if (Contains(w)) return;
  entries_.push_back({&w, topmost, noActivate});
  ToTop(entries_.end() - 1);
}

bool WindowStack::Remove(Window& w) {
  const bool held = Hidden(w);
  focusHistory_.erase(std::remove(focusHistory_.begin(), focusHistory_.end(), &w), focusHistory_.end());
  if (focused_ == &w) focused_ = nullptr;
  auto it = Find(w);
  if (it != entries_.end()) entries_.erase(it);
  return held;
}

bool WindowStack::Contains(const Window& w) const { return Find(w) != entries_.end(); }

void WindowStack::Raise(Window& w) {
  auto it = Find(w);
  if (it != entries_.end()) ToTop(it);
}

void WindowStack::SetTopmost(Window& w, bool topmost) {
  auto it = Find(w);
  if (it == entries_.end() || it->topmost == topmost) return;
  it->topmost = topmost;
  ToTop(it);
}

bool WindowStack::Topmost(const Window& w) const {
  auto it = Find(w);
  return it != entries_.end() && it->topmost;
}

std::vector<Window*> WindowStack::BottomToTop() const {
  std::vector<Window*> out;
  out.reserve(entries_.size());
  for (const Entry& e : entries_) out.push_back(e.window);
  return out;
}

Window* WindowStack::WindowAt(Point screen, const Window* except) const {
  for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
    Window* w = it->window;
    if (w == except || !w->Visible() || w->Minimized()) continue;
    const Rect b = w->Bounds();
    if (InWindowShape(*w, {screen.x - b.left, screen.y - b.top})) return w;
  }
  return nullptr;
}

bool WindowStack::MayFocus(const Window& w) const {
  auto it = Find(w);
  return it != entries_.end() && !it->noActivate;
}

bool WindowStack::Focus(Window& w) {
  if (!MayFocus(w) || !w.Visible()) return false;
  focused_ = &w;
  focusHistory_.erase(std::remove(focusHistory_.begin(), focusHistory_.end(), &w), focusHistory_.end());
  focusHistory_.push_back(&w);
  return true;
}

bool WindowStack::Shown(Window& w, bool activate) {
  Raise(w);
  return activate && Focus(w);
}

bool WindowStack::Hidden(Window& w) {
  if (focused_ != &w) return false;
  focused_ = nullptr;
  auto next = std::find_if(focusHistory_.rbegin(), focusHistory_.rend(),
                           [&](Window* o) { return o != &w && o->Visible(); });
  if (next != focusHistory_.rend()) Focus(**next);
  return true;
}

}  // namespace trv
