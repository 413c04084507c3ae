#pragma once

#include <string>

#include "platform/Bitmap.h"
#include "platform/Keys.h"
#include "platform/Trace.h"
#include "platform/Window.h"

namespace trv {

class THints;

// A feature of the main window's screens besides its buttons and switches
// (text fields, input boxes, clip areas, trees, popups). The window holds its
// parts in one list, bottom to top: it paints them in that order and offers
// the mouse to them top first, before its own elements get it.
class ScreenPart {
 public:
  virtual ~ScreenPart() = default;

  // The screen changed (its number from 0); the part fits itself to it
  // without painting: the window paints once its new look is ready.
  virtual void ShowForScreen(int /*screen*/) {}
  // Draws the part over the screen's pictures.
  virtual void Paint(Bitmap& /*canvas*/) const {}

  // The pointer, in window coordinates. True when the part took the event;
  // the parts below and the screen's elements then do not see it.
  virtual bool MouseMove(Point /*p*/, unsigned /*shift*/) { return false; }
  virtual bool MouseDown(MouseButton /*b*/, Point /*p*/, unsigned /*shift*/) { return false; }
  virtual bool MouseUp(MouseButton /*b*/, Point /*p*/, unsigned /*shift*/) { return false; }
  // A wheel turn (120 a notch, away from the player positive) over the window.
  virtual bool MouseWheel(int /*delta*/, Point /*p*/, unsigned /*shift*/) { return false; }
  // Keys the window passes on after its own key handling; true when taken.
  virtual bool KeyDown(int /*key*/, unsigned /*shift*/) { return false; }
  virtual bool Char(char /*c*/) { return false; }

  // The window's fade into a new screen starts and ends.
  virtual void FadeStarted() {}
  virtual void FadeEnded() {}

  // Adds what the part shows to the window's "state" trace line.
  virtual void TraceState(Trace::Event& /*ev*/) const {}
};

// What the parts ask of the main window.
class ScreenPartHost {
 public:
  virtual ~ScreenPartHost() = default;
  virtual int CurrentScreen() const = 0;
  // The window's fade runs: parts take no input and draw nothing of their own.
  virtual bool Fading() const = 0;
  virtual Window* ScreenWindow() const = 0;
  // The current screen's background with every element's resting look.
  virtual const Bitmap& ScreenBackground() const = 0;
  virtual THints& ScreenHints() = 0;
  // The standard hints (of input boxes) show; the options decide.
  virtual bool ShowHints() const = 0;
  // The pointer came over a part: no element of the screen stays under it.
  virtual void LeaveElements() = 0;
  // A button's or switch's control of the current screen lies under the point.
  virtual bool ElementControlAt(Point p) const = 0;
  // The typing sound of an input box (a sound command of the interpreter).
  virtual void PlayTypingSound(const std::string& sound) = 0;
  // Part `what` changed the look of `r` (empty: everything) outside painting.
  virtual void PartChanged(const ScreenPart& what, const Rect& r) = 0;
};

}  // namespace trv
