// Routing of SDL input and window events to the program's windows.
#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "platform/sdl/SdlKeyMap.h"
#include "platform/sdl/SdlPlatform.h"

namespace trv {
namespace {

constexpr std::uint32_t kDragPollMs = 10;

unsigned ButtonBit(Uint8 button) {
  switch (button) {
    case SDL_BUTTON_LEFT: return kLeftButton;
    case SDL_BUTTON_RIGHT: return kRightButton;
    case SDL_BUTTON_MIDDLE: return kMiddleButton;
    default: return 0;
  }
}

unsigned ButtonBitsOfState(Uint32 state) {
  unsigned bits = 0;
  if (state & SDL_BUTTON_LMASK) bits |= kLeftButton;
  if (state & SDL_BUTTON_RMASK) bits |= kRightButton;
  if (state & SDL_BUTTON_MMASK) bits |= kMiddleButton;
  return bits;
}

// Length of the UTF-8 sequence a lead byte starts (1 for stray bytes).
std::size_t Utf8Length(unsigned char lead) {
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

}  // namespace

void SdlPlatform::HandleEvent(const SDL_Event& ev) {
  // The text SDL makes of a key press follows that key's event at once; only
  // then is it a duplicate of the character the layout already gave.
  const bool dropText = dropNextText_;
  dropNextText_ = false;
  switch (ev.type) {
    case SDL_WINDOWEVENT: HandleWindowEvent(ev.window); break;
    case SDL_MOUSEMOTION:
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
    case SDL_MOUSEWHEEL: HandleMouse(ev); break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: HandleKey(ev.key); break;
    case SDL_TEXTINPUT:
      if (!dropText) HandleText(ev.text);
      break;
    case SDL_DROPBEGIN:
    case SDL_DROPFILE:
    case SDL_DROPCOMPLETE: HandleDrop(ev.drop); break;
    case SDL_QUIT: {
      // The session ends: the main window is asked to close, as on logoff.
      for (SdlWindow* w : windows_) {
        if (w->Role() == "main" && w->Events()) {
          w->Events()->OnCloseRequest();
          return;
        }
      }
      loop_->Terminate(0);
      break;
    }
    default: break;
  }
}

void SdlPlatform::HandleWindowEvent(const SDL_WindowEvent& e) {
  SdlWindow* w = FindBySdlId(e.windowID);
  if (!w) return;
  const std::uint64_t serial = w->Serial();
  switch (e.event) {
    case SDL_WINDOWEVENT_EXPOSED:
      if (w->Events()) w->Events()->OnExpose();
      if ((w = FindBySerial(serial))) w->Present();
      break;
    case SDL_WINDOWEVENT_MOVED: {
      // Only a position the system still reports now counts: the queue may
      // hold the steps of our own earlier moves.
      int x = 0, y = 0;
      SDL_GetWindowPosition(w->Handle(), &x, &y);
      if (serial != dragSerial_ && x == e.data1 && y == e.data2) w->NoteMoved(x, y);
      break;
    }
    case SDL_WINDOWEVENT_SIZE_CHANGED: {
      int width = 0, height = 0;
      SDL_GetWindowSize(w->Handle(), &width, &height);
      if (width == e.data1 && height == e.data2) w->NoteResized(width, height);
      break;
    }
    case SDL_WINDOWEVENT_MINIMIZED: w->NoteMinimized(true); break;
    case SDL_WINDOWEVENT_RESTORED: w->NoteMinimized(false); break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
      activeSerial_ = serial;
      if (w->Events()) w->Events()->OnActivate(true);
      break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
      if (w->Events()) w->Events()->OnActivate(false);
      break;
    case SDL_WINDOWEVENT_ENTER: ApplyCursor(*w); break;
    case SDL_WINDOWEVENT_LEAVE:
      if (underMouseSerial_ == serial && capturedSerial_ != serial) {
        underMouseSerial_ = 0;
        if (w->Events()) w->Events()->OnMouseLeave();
      }
      break;
    case SDL_WINDOWEVENT_CLOSE:
      if (w->Events()) w->Events()->OnCloseRequest();
      break;
    default: break;
  }
}

Point SdlPlatform::ClientPoint(SdlWindow* from, int x, int y, const SdlWindow& w) const {
  if (!from || from == &w) return {x, y};
  const Rect a = from->Bounds(), b = w.Bounds();
  return {a.left + x - b.left, a.top + y - b.top};
}

void SdlPlatform::HandleMouse(const SDL_Event& ev) {
  Uint32 windowId = 0;
  int x = 0, y = 0;
  unsigned bit = 0;
  switch (ev.type) {
    case SDL_MOUSEMOTION:
      windowId = ev.motion.windowID;
      x = ev.motion.x;
      y = ev.motion.y;
      buttons_ = ButtonBitsOfState(ev.motion.state);
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      windowId = ev.button.windowID;
      x = ev.button.x;
      y = ev.button.y;
      bit = ButtonBit(ev.button.button);
      if (!bit) return;
      if (ev.type == SDL_MOUSEBUTTONDOWN) {
        buttons_ |= bit;
        if (bit == kLeftButton) swallowLeftUp_ = false;
      } else {
        buttons_ &= ~bit;
      }
      break;
    case SDL_MOUSEWHEEL:
      windowId = ev.wheel.windowID;
      x = ev.wheel.mouseX;
      y = ev.wheel.mouseY;
      break;
    default: return;
  }

  if (dragSerial_) {
    // The drag swallows the mouse: the window follows it until the button is up.
    if (ev.type == SDL_MOUSEMOTION) {
      UpdateDrag();
    } else if (ev.type == SDL_MOUSEBUTTONUP && bit == kLeftButton) {
      UpdateDrag();
      EndDrag();
    }
    return;
  }
  if (ev.type == SDL_MOUSEBUTTONUP && bit == kLeftButton && swallowLeftUp_) {
    swallowLeftUp_ = false;  // the release that ended a drag
    return;
  }

  SdlWindow* from = FindBySdlId(windowId);
  SdlWindow* captured = FindBySerial(capturedSerial_);
  SdlWindow* w = captured ? captured : from;
  if (!w || !w->Visible()) return;
  const Point p = ClientPoint(from, x, y, *w);
  // Outside the shape the pixels are not the window's (where the system could
  // not shape it, the events still come here).
  if (!captured && !w->InShape(p)) {
    if (underMouseSerial_ == w->Serial()) {
      underMouseSerial_ = 0;
      if (w->Events()) w->Events()->OnMouseLeave();
    }
    return;
  }
  if (underMouseSerial_ != w->Serial()) {
    SdlWindow* previous = FindBySerial(underMouseSerial_);
    underMouseSerial_ = w->Serial();
    if (previous && previous->Events()) previous->Events()->OnMouseLeave();
    if (!(w = FindBySerial(underMouseSerial_))) return;
  }
  if (ev.type == SDL_MOUSEMOTION) ApplyCursor(*w);
  WindowEvents* events = w->Events();
  if (!events) return;
  // As with the system's messages, the state names the buttons held after the event.
  const unsigned shift = ShiftBitsFromMods(Uint16(SDL_GetModState())) | buttons_;
  const MouseButton button = bit == kRightButton ? MouseButton::Right
                             : bit == kMiddleButton ? MouseButton::Middle
                                                    : MouseButton::Left;
  switch (ev.type) {
    case SDL_MOUSEMOTION: events->OnMouseMove(p, shift); break;
    case SDL_MOUSEBUTTONDOWN: events->OnMouseDown(button, p, shift); break;
    case SDL_MOUSEBUTTONUP: events->OnMouseUp(button, p, shift); break;
    case SDL_MOUSEWHEEL: {
      int delta = ev.wheel.y * 120;  // one notch, as the system counts it
      if (ev.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) delta = -delta;
      if (delta) events->OnMouseWheel(delta, p, shift);
      break;
    }
    default: break;
  }
}

SdlWindow* SdlPlatform::KeyTarget(Uint32 windowId) const {
  if (SdlWindow* w = FindBySdlId(windowId)) return w;
  SdlWindow* active = FindBySerial(activeSerial_);
  return active && active->Visible() ? active : nullptr;
}

void SdlPlatform::HandleKey(const SDL_KeyboardEvent& e) {
  const int vk = VirtualKeyFromScancode(e.keysym.scancode, (e.keysym.mod & KMOD_NUM) != 0);
  // A key SDL cannot place: whatever it types still comes as text.
  if (vk == 0) return;
  const unsigned shift = ShiftBitsFromMods(e.keysym.mod);
  SdlWindow* w = KeyTarget(e.windowID);
  if (e.type == SDL_KEYUP) {
    if (w && w->Events()) w->Events()->OnKeyUp(vk, shift);
    return;
  }
  const auto typed = keyboard_.CharForKey(vk, shift, (e.keysym.mod & KMOD_CAPS) != 0);
  // The desktop's text for a key the process layout places (or for a Ctrl or
  // Alt combination, which types nothing here) is not typed a second time. Set
  // before the handler runs, which may pump a nested loop.
  dropNextText_ = typed || (shift & (kCtrl | kAlt)) || keyboard_.CharForKey(vk, 0, false);
  const std::uint64_t serial = w ? w->Serial() : 0;
  if (w && w->Events()) w->Events()->OnKeyDown(vk, shift);
  if (!typed) return;
  w = FindBySerial(serial);
  if (w && w->Visible() && w->Events()) w->Events()->OnChar(*typed);
}

void SdlPlatform::HandleText(const SDL_TextInputEvent& e) {
  SdlWindow* w = KeyTarget(e.windowID);
  if (!w) return;
  const std::uint64_t serial = w->Serial();
  const std::string_view text(e.text, strnlen(e.text, sizeof e.text));
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t n = std::min(Utf8Length(static_cast<unsigned char>(text[i])), text.size() - i);
    const std::string_view one = text.substr(i, n);
    i += n;
    bool ok = true;
    const std::string c = Utf8ToCp1251(one, &ok);
    if (!ok || c.size() != 1) {
      Log("input", "typed character code page 1251 cannot hold: " + std::string(one));
      continue;
    }
    w = FindBySerial(serial);
    if (!w || !w->Visible() || !w->Events()) return;
    w->Events()->OnChar(c[0]);
  }
}

void SdlPlatform::HandleDrop(const SDL_DropEvent& e) {
  auto deliver = [this] {
    SdlWindow* w = dropWindow_ ? FindBySdlId(dropWindow_) : KeyTarget(0);
    std::vector<std::string> files;
    files.swap(dropped_);
    if (w && w->AcceptsFiles() && w->Events() && !files.empty()) w->Events()->OnDropFiles(files);
  };
  switch (e.type) {
    case SDL_DROPBEGIN:
      dropOpen_ = true;
      dropWindow_ = e.windowID;
      dropped_.clear();
      break;
    case SDL_DROPFILE: {
      if (!e.file) break;
      bool ok = true;
      std::string path = ToWindowsPath(std::filesystem::path(e.file), &ok);
      if (ok)
        dropped_.push_back(std::move(path));
      else
        Log("input", std::string("dropped file name code page 1251 cannot hold: ") + e.file);
      if (!dropOpen_) {  // a drop without a begin: one file
        dropWindow_ = e.windowID;
        deliver();
      }
      break;
    }
    case SDL_DROPCOMPLETE:
      if (!dropWindow_) dropWindow_ = e.windowID;
      deliver();
      dropOpen_ = false;
      dropWindow_ = 0;
      break;
    default: break;
  }
}

bool SdlPlatform::GlobalMouse(int* x, int* y, bool* leftDown) {
  if (x11_) {
    if (auto p = pointer_.QueryPointer()) {
      *x = p->x;
      *y = p->y;
      *leftDown = p->leftDown;
      return true;
    }
  }
  const Uint32 state = SDL_GetGlobalMouseState(x, y);
  *leftDown = (state & SDL_BUTTON_LMASK) != 0;
  return true;
}

void SdlPlatform::StartDrag(SdlWindow& w) {
  int x = 0, y = 0;
  bool left = false;
  GlobalMouse(&x, &y, &left);
  if (!left && !(buttons_ & kLeftButton)) return;  // only while the left button is down
  if (dragSerial_) EndDrag();
  dragSerial_ = w.Serial();
  dragOrigin_ = {w.Bounds().left, w.Bounds().top};
  dragStart_ = {x, y};
  SDL_CaptureMouse(SDL_TRUE);
  // There may be no window manager to move the window: follow the mouse
  // ourselves, also when its events stop coming (pointer outside, no grab).
  dragTimer_ = loop_->SetTimer(kDragPollMs, true, [this] { UpdateDrag(); });
}

void SdlPlatform::UpdateDrag() {
  SdlWindow* w = FindBySerial(dragSerial_);
  if (!w) {
    EndDrag();
    return;
  }
  int x = 0, y = 0;
  bool left = false;
  GlobalMouse(&x, &y, &left);
  const Rect b = w->Bounds();
  const Rect moved = Rect::FromSize(dragOrigin_.x + x - dragStart_.x, dragOrigin_.y + y - dragStart_.y,
                                    b.Width(), b.Height());
  if (moved != b) w->SetBounds(moved);
  // The X server knows the button; other drivers end the drag on the release event.
  if (x11_ && !left) {
    EndDrag();
    swallowLeftUp_ = true;
  }
}

void SdlPlatform::EndDrag() {
  if (dragTimer_) loop_->KillTimer(dragTimer_);
  dragTimer_ = 0;
  dragSerial_ = 0;
  buttons_ &= ~unsigned(kLeftButton);
  if (!capturedSerial_) SDL_CaptureMouse(SDL_FALSE);
}

void SdlPlatform::SetCapture(SdlWindow* w, bool capture) {
  if (capture) {
    capturedSerial_ = w->Serial();
    SDL_CaptureMouse(SDL_TRUE);  // may be refused without focus; events still come while a button is held
  } else if (capturedSerial_ == w->Serial()) {
    capturedSerial_ = 0;
    if (!dragSerial_) SDL_CaptureMouse(SDL_FALSE);
  }
}

void SdlPlatform::OnWindowHidden(SdlWindow& w) {
  if (dragSerial_ == w.Serial()) EndDrag();
  if (capturedSerial_ == w.Serial()) SetCapture(&w, false);
  if (underMouseSerial_ == w.Serial()) underMouseSerial_ = 0;
}

}  // namespace trv
