#pragma once

#include <optional>

#include "platform/WindowStack.h"

namespace trv {

// Where the mouse goes, one rule for every backend: the backend turns what the
// system reports into screen points and calls Route; the router picks the
// window, keeps the buttons held, the capture, the window under the mouse and
// a window drag, and calls the handlers. Loop thread only.
class MouseRouter {
 public:
  // What only the backend can do with the system's pointer.
  class Device {
   public:
    virtual ~Device() = default;
    // Set while a drag or a capture runs: the system should report every mouse
    // event to the program, wherever the pointer goes.
    virtual void HoldPointer(bool hold) = 0;
    // A move is about to reach `w`: its cursor shows.
    virtual void PointerOver(Window& w) = 0;
  };

  explicit MouseRouter(WindowStack& stack, Device* device = nullptr) : stack_(stack), device_(device) {}

  enum class Action { Move, Down, Up, Wheel };
  struct Event {
    Action action = Action::Move;
    Point screen;                            // where the pointer is
    MouseButton button = MouseButton::Left;  // of Down and Up
    int wheelDelta = 0;                      // of Wheel, 120 a notch
    unsigned keys = 0;                       // kShift, kAlt, kCtrl held
    // The buttons the system says are held (with a move); unset, the router
    // follows Down and Up.
    std::optional<unsigned> held;
  };

  // Routes an event the system reported for `reportedFor` (nullptr: none of
  // ours). It goes to the captured window; else to `reportedFor` when that is
  // visible, not minimized and has the point inside its shape; else to the
  // topmost other window that takes the point; else nowhere. Moves, presses and
  // releases tell the window the mouse was over before that it left. Handlers
  // get client points and a shift state naming the buttons held after the
  // event. While a drag runs it takes every event: moves move the window, the
  // left release ends it. True when a handler got the event or a drag took it.
  bool Route(Window* reportedFor, const Event& e);
  // The system says the pointer left `w`: it hears so unless it has the capture.
  void PointerLeft(Window& w);

  // Starts moving `w` with the pointer (now at `pointer`), only while the left
  // button is down: by the events routed so far, or `leftHeld` by the system.
  bool BeginDrag(Window& w, Point pointer, bool leftHeld);
  // A pointer position polled while a drag runs (there may be no window
  // manager and no events outside the window). When the left button is up the
  // drag ends and the release that follows is not delivered.
  void PollDrag(Point pointer, bool leftHeld);
  Window* Dragged() const { return dragged_; }
  // Where the dragged window stood when the drag began.
  Point DragOrigin() const { return dragOrigin_; }

  void SetCapture(Window& w, bool capture);
  Window* Captured() const { return captured_; }

  // `w` hides or is destroyed: its capture, drag and under-mouse state end. A
  // hidden window under the mouse hears that the mouse left; a destroyed one
  // (`notify` false) hears nothing.
  void Forget(Window& w, bool notify);

  unsigned Buttons() const { return buttons_; }
  Point LastPointer() const { return lastPointer_; }

 private:
  Window* Target(Window* reportedFor, Point screen) const;
  // `w` is under the mouse now; the one that was before hears that it left.
  void Enter(Window* w);
  void DragTo(Point pointer);
  void EndDrag();
  void UpdateHold();

  WindowStack& stack_;
  Device* device_;
  Window* captured_ = nullptr;
  Window* underMouse_ = nullptr;
  unsigned buttons_ = 0;  // as shift bits
  Point lastPointer_;
  Window* dragged_ = nullptr;
  Point dragOrigin_, dragStart_;
  bool swallowLeftUp_ = false;
};

}  // namespace trv
