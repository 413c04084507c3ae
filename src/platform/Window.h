#pragma once

#include <string>
#include <vector>

#include "platform/Bitmap.h"
#include "platform/Geometry.h"
#include "platform/Keys.h"
#include "platform/Region.h"

namespace trv {

// What a window reports. Coordinates are client pixels; text is CP1251.
class WindowEvents {
 public:
  virtual ~WindowEvents() = default;
  virtual void OnMouseMove(Point, unsigned /*shift*/) {}
  virtual void OnMouseDown(MouseButton, Point, unsigned /*shift*/) {}
  virtual void OnMouseUp(MouseButton, Point, unsigned /*shift*/) {}
  virtual void OnMouseLeave() {}
  virtual void OnMouseWheel(int /*delta*/, Point, unsigned /*shift*/) {}
  virtual void OnKeyDown(int /*virtualKey*/, unsigned /*shift*/) {}
  virtual void OnKeyUp(int /*virtualKey*/, unsigned /*shift*/) {}
  // One typed character, by the process keyboard layout (see Keyboard).
  virtual void OnChar(char /*cp1251*/) {}
  // Files dropped on the window, as Windows paths in CP1251.
  virtual void OnDropFiles(const std::vector<std::string>& /*paths*/) {}
  // The user or Window::Close asks the window to close; the handler decides
  // what happens (the window itself stays until it is destroyed).
  virtual void OnCloseRequest() {}
  virtual void OnActivate(bool /*active*/) {}
  virtual void OnMinimize() {}
  virtual void OnRestore() {}
  // The system lost the window's pixels; the framebuffer is presented again
  // after this returns, so a handler only needs to redraw what it keeps elsewhere.
  virtual void OnExpose() {}
};

enum class Cursor { Arrow, Wait, Hand, IBeam };

struct WindowOptions {
  // The scenario name of the window: "main", "dialog", "options", "about",
  // "popup", "hint", ...
  std::string role = "main";
  std::string caption;          // CP1251
  Rect bounds{0, 0, 640, 480};  // screen coordinates, outer edges
  bool topmost = false;         // always on top
  bool noActivate = false;      // shown without taking the focus (hints, popups)
  bool inTaskbar = true;
};

// A borderless top-level window holding a 24-bit framebuffer the core draws
// into. Nothing is visible until Present.
class Window {
 public:
  virtual ~Window() = default;

  virtual const std::string& Role() const = 0;
  virtual void SetEvents(WindowEvents* events) = 0;
  virtual WindowEvents* Events() const = 0;  // nullptr until SetEvents

  // Client-size picture; it is resized, and cleared to white, with the window.
  virtual Bitmap& Framebuffer() = 0;
  // Shows the framebuffer (the whole of it, or `dirty`).
  virtual void Present() = 0;
  virtual void Present(const Rect& dirty) = 0;

  virtual void SetBounds(const Rect& screenRect) = 0;
  virtual Rect Bounds() const = 0;
  // Shows the window at the top of its layer. It takes the keyboard focus
  // unless it was created with WindowOptions::noActivate.
  virtual void Show() = 0;
  // Shows it without taking the focus: a message the player may ignore while
  // typing elsewhere.
  virtual void ShowNoActivate() = 0;
  // A window that hides (or is destroyed) while it holds the focus gives it
  // back to the most recently focused window that is still visible.
  virtual void Hide() = 0;
  virtual bool Visible() const = 0;
  // True when keys typed now go to this window.
  virtual bool HasFocus() const = 0;
  virtual void Minimize() = 0;
  virtual void Restore() = 0;
  virtual bool Minimized() const = 0;
  // To the top of its layer (the always-on-top windows or the others).
  virtual void Raise() = 0;
  virtual void SetTopmost(bool topmost) = 0;

  // Shape by the winding rule; pixels outside are not drawn and take no mouse
  // input. An empty polygon hides every pixel, as an empty region does.
  virtual void SetRegion(const Polygon& polygon) = 0;
  // Back to the full rectangle.
  virtual void ClearRegion() = 0;
  virtual const Polygon* Region() const = 0;  // nullptr: rectangular

  virtual void SetCaption(const std::string& cp1251) = 0;
  virtual const std::string& Caption() const = 0;
  virtual void SetIcon(const Bitmap& icon) = 0;
  virtual void SetCursor(Cursor cursor) = 0;

  // Moves the window with the mouse while the left button stays down, as the
  // system move command does; call it from a mouse-down handler.
  virtual void BeginDrag() = 0;
  // While captured, mouse events arrive even outside the window.
  virtual void SetMouseCapture(bool capture) = 0;
  virtual void AcceptFiles(bool accept) = 0;

  // Asks for OnCloseRequest, as a close message from elsewhere would.
  virtual void Close() = 0;

  // The ordinary look of the system's windows, a title bar and a sizing
  // border (framed), or none: the skinned look every window starts with.
  virtual void SetFramed(bool framed) = 0;
  virtual bool Framed() const = 0;
  // Fills the desktop's work area; ShowNormal gives it its bounds from before
  // back. Neither shows a hidden window.
  virtual void Maximize() = 0;
  virtual void ShowNormal() = 0;
  virtual bool Maximized() const = 0;
  // What the framebuffer is cleared to when the window changes size (white
  // until set).
  virtual void SetColor(Color color) = 0;
};

}  // namespace trv
