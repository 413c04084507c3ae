#pragma once

#include <vector>

#include "platform/Window.h"

namespace trv {

// True when client point `p` belongs to the window's shape: inside its client
// rectangle and, when it has a region, inside the region.
bool InWindowShape(const Window& w, Point p);

// The program's own top-level windows in z-order, with a layer of always-on-top
// windows above the normal one, and which of them has the keyboard focus. Both
// backends keep one, so that hit testing, the picture of the screen and the
// focus follow one rule. Windows join when created and leave when destroyed;
// the stack never owns them. Loop thread only.
class WindowStack {
 public:
  // A new window goes to the top of its layer. A `noActivate` window (hints,
  // popups) never takes the keyboard focus.
  void Add(Window& w, bool topmost, bool noActivate);
  // Forgets `w`, as Hidden does first. True when it held the focus.
  bool Remove(Window& w);
  bool Contains(const Window& w) const;

  // To the top of its layer (Raise).
  void Raise(Window& w);
  // Into the other layer, at its top, when `topmost` changes.
  void SetTopmost(Window& w, bool topmost);
  bool Topmost(const Window& w) const;

  // Every window, hidden ones included, the bottom one first: the normal layer,
  // then the always-on-top one.
  std::vector<Window*> BottomToTop() const;
  // The topmost window that takes the mouse at `screen`: visible, not
  // minimized, with the point inside its shape. `except` is passed over.
  Window* WindowAt(Point screen, const Window* except = nullptr) const;

  // The window shows: it goes to the top of its layer and, when `activate` is
  // set and it is not a noActivate window, takes the focus. True when it took it.
  bool Shown(Window& w, bool activate);
  // The window hides: when it held the focus, the focus goes back to the most
  // recently focused window that is still visible (or to none). True when it
  // held the focus, so that the caller hands the system's focus on.
  bool Hidden(Window& w);

  // The system says `w` has the focus (a click with a window manager): taken
  // when it is a window that may hold it and is visible; false otherwise.
  bool Focus(Window& w);
  bool MayFocus(const Window& w) const;
  // The window keys go to; nullptr before any window took the focus, or when
  // none that did is visible.
  Window* Focused() const { return focused_; }

 private:
  struct Entry {
    Window* window;
    bool topmost;
    bool noActivate;
  };
  std::vector<Entry>::iterator Find(const Window& w);
  std::vector<Entry>::const_iterator Find(const Window& w) const;
  // Moves the entry at `it` above every entry of its layer.
  void ToTop(std::vector<Entry>::iterator it);

  std::vector<Entry> entries_;         // bottom first; the topmost layer after the normal one
  std::vector<Window*> focusHistory_;  // most recently focused last
  Window* focused_ = nullptr;
};

}  // namespace trv
