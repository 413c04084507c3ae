#include "platform/MouseRouter.h"

#include "platform/LoopRules.h"

namespace trv {
namespace {

unsigned BitOf(MouseButton b) {
  switch (b) {
    case MouseButton::Left: return kLeftButton;
    case MouseButton::Right: return kRightButton;
    case MouseButton::Middle: return kMiddleButton;
  }
  return 0;
}

void TellLeft(Window& w) {
  if (WindowEvents* events = w.Events()) CallGuarded("a mouse-leave handler", [&] { events->OnMouseLeave(); });
}

}  // namespace

Window* MouseRouter::Target(Window* reportedFor, Point screen) const {
  if (captured_) return captured_;
  if (reportedFor && reportedFor->Visible() && !reportedFor->Minimized()) {
    const Rect b = reportedFor->Bounds();
    if (InWindowShape(*reportedFor, {screen.x - b.left, screen.y - b.top})) return reportedFor;
  }
  // Outside the window or its shape: the window beneath gets the event.
  return stack_.WindowAt(screen, reportedFor);
}

void MouseRouter::Enter(Window* w) {
  if (underMouse_ == w) return;
  Window* previous = underMouse_;
  underMouse_ = w;
  if (previous) TellLeft(*previous);
}

bool MouseRouter::Route(Window* reportedFor, const Event& e) {
  lastPointer_ = e.screen;
  const unsigned bit = BitOf(e.button);
  if (e.held) buttons_ = *e.held;
  if (e.action == Action::Down) {
    buttons_ |= bit;
    if (bit == kLeftButton) swallowLeftUp_ = false;
  } else if (e.action == Action::Up) {
    buttons_ &= ~bit;
  }

  if (dragged_) {
    // The drag swallows the mouse: the window follows it until the button is up.
    if (e.action == Action::Move) {
      DragTo(e.screen);
    } else if (e.action == Action::Up && bit == kLeftButton) {
      DragTo(e.screen);
      EndDrag();
    }
    return true;
  }
  if (e.action == Action::Up && bit == kLeftButton && swallowLeftUp_) {
    swallowLeftUp_ = false;  // the release that ended a drag
    return true;
  }

  Window* t = Target(reportedFor, e.screen);
  if (e.action != Action::Wheel) {
    Enter(t);
    if (underMouse_ != t) return false;  // the leave handler hid or destroyed it
  }
  if (!t) return false;
  if (e.action == Action::Move && device_) device_->PointerOver(*t);
  WindowEvents* events = t->Events();
  if (!events) return false;
  const Rect b = t->Bounds();
  const Point p{e.screen.x - b.left, e.screen.y - b.top};
  // As with the system's messages, the state names the buttons held after the event.
  const unsigned shift = e.keys | buttons_;
  CallGuarded("a mouse handler", [&] {
    switch (e.action) {
      case Action::Move: events->OnMouseMove(p, shift); break;
      case Action::Down: events->OnMouseDown(e.button, p, shift); break;
      case Action::Up: events->OnMouseUp(e.button, p, shift); break;
      case Action::Wheel: events->OnMouseWheel(e.wheelDelta, p, shift); break;
    }
  });
  return true;
}

void MouseRouter::PointerLeft(Window& w) {
  if (underMouse_ != &w || captured_ == &w) return;
  underMouse_ = nullptr;
  TellLeft(w);
}

bool MouseRouter::BeginDrag(Window& w, Point pointer, bool leftHeld) {
  if (!leftHeld && !(buttons_ & kLeftButton)) return false;
  dragged_ = &w;
  const Rect b = w.Bounds();
  dragOrigin_ = {b.left, b.top};
  dragStart_ = pointer;
  UpdateHold();
  return true;
}

void MouseRouter::DragTo(Point pointer) {
  const Rect b = dragged_->Bounds();
  const Rect moved = Rect::FromSize(dragOrigin_.x + pointer.x - dragStart_.x, dragOrigin_.y + pointer.y - dragStart_.y,
                                    b.Width(), b.Height());
  if (moved != b) dragged_->SetBounds(moved);
}

void MouseRouter::PollDrag(Point pointer, bool leftHeld) {
  if (!dragged_) return;
  lastPointer_ = pointer;
  DragTo(pointer);
  if (leftHeld) return;
  EndDrag();
  swallowLeftUp_ = true;
}

void MouseRouter::EndDrag() {
  dragged_ = nullptr;
  buttons_ &= ~unsigned(kLeftButton);
  UpdateHold();
}

void MouseRouter::SetCapture(Window& w, bool capture) {
  if (capture)
    captured_ = &w;
  else if (captured_ == &w)
    captured_ = nullptr;
  else
    return;
  UpdateHold();
}

void MouseRouter::UpdateHold() {
  if (device_) device_->HoldPointer(dragged_ || captured_);
}

void MouseRouter::Forget(Window& w, bool notify) {
  if (dragged_ == &w) EndDrag();
  if (captured_ == &w) SetCapture(w, false);
  if (underMouse_ != &w) return;
  underMouse_ = nullptr;
  if (notify) TellLeft(w);
}

}  // namespace trv
