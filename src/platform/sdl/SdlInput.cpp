// Routing of SDL input and window events to the program's windows.
#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/PixelScale.h"
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
      if (router_.Dragged() != w && x == e.data1 && y == e.data2) w->NoteMoved(x, y);
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
      // A window that must not hold the focus (a hint the system focused when
      // it was shown) hands it back and is never told it is active.
      if (!stack_.MayFocus(*w)) {
        GiveSystemFocus();
        break;
      }
      // A window manager gave it the focus; a notice the system has overtaken
      // since (two windows shown in one go) changes nothing.
      if (SDL_GetKeyboardFocus() == w->Handle()) stack_.Focus(*w);
      if (w->Events()) w->Events()->OnActivate(true);
      break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
      if (stack_.MayFocus(*w) && w->Events()) w->Events()->OnActivate(false);
      break;
    case SDL_WINDOWEVENT_ENTER: ApplyCursor(*w); break;
    case SDL_WINDOWEVENT_LEAVE: router_.PointerLeft(*w); break;
    case SDL_WINDOWEVENT_CLOSE:
      if (w->Events()) w->Events()->OnCloseRequest();
      break;
    default: break;
  }
}

void SdlPlatform::HandleMouse(const SDL_Event& ev) {
  MouseRouter::Event e;
  Uint32 windowId = 0;
  int x = 0, y = 0;
  switch (ev.type) {
    case SDL_MOUSEMOTION:
      e.action = MouseRouter::Action::Move;
      windowId = ev.motion.windowID;
      x = ev.motion.x;
      y = ev.motion.y;
      e.held = ButtonBitsOfState(ev.motion.state);
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      const unsigned bit = ButtonBit(ev.button.button);
      if (!bit) return;
      e.action = ev.type == SDL_MOUSEBUTTONDOWN ? MouseRouter::Action::Down : MouseRouter::Action::Up;
      e.button = bit == kRightButton    ? MouseButton::Right
                 : bit == kMiddleButton ? MouseButton::Middle
                                        : MouseButton::Left;
      windowId = ev.button.windowID;
      x = ev.button.x;
      y = ev.button.y;
      break;
    }
    case SDL_MOUSEWHEEL:
      e.action = MouseRouter::Action::Wheel;
      windowId = ev.wheel.windowID;
      x = ev.wheel.mouseX;
      y = ev.wheel.mouseY;
      e.wheelDelta = ev.wheel.y * 120;  // one notch, as the system counts it
      if (ev.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) e.wheelDelta = -e.wheelDelta;
      if (!e.wheelDelta) return;
      break;
    default: return;
  }
  e.keys = ShiftBitsFromMods(Uint16(SDL_GetModState()));
  SdlWindow* from = FindBySdlId(windowId);
  if (from && !router_.Dragged()) {
    // Event positions are screen pixels inside the window; hit tests want the
    // program's.
    const Point p = ToProgramPixels(Point{x, y}, scale_);
    e.screen = {from->Bounds().left + p.x, from->Bounds().top + p.y};
  } else {
    // A drag follows the pointer itself: the window it moves lags behind the
    // positions its events are relative to.
    bool left = false;
    e.screen = GlobalMouse(&left);
  }
  router_.Route(from, e);
}

void SdlPlatform::HoldPointer(bool hold) {
  // May be refused without the focus; events still come while a button is held.
  SDL_CaptureMouse(hold ? SDL_TRUE : SDL_FALSE);
}

void SdlPlatform::PointerOver(Window& w) { ApplyCursor(static_cast<SdlWindow&>(w)); }

SdlWindow* SdlPlatform::KeyTarget(Uint32 windowId) const {
  SdlWindow* w = FindBySdlId(windowId);
  if (w && stack_.MayFocus(*w)) return w;
  SdlWindow* focused = Focused();
  return focused && focused->Visible() ? focused : nullptr;
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

Point SdlPlatform::GlobalMouse(bool* leftDown) {
  if (x11_) {
    if (auto p = pointer_.QueryPointer()) {
      *leftDown = p->leftDown;
      return ToProgramPixels(Point{p->x, p->y}, scale_);
    }
  }
  Point p;
  const Uint32 state = SDL_GetGlobalMouseState(&p.x, &p.y);
  *leftDown = (state & SDL_BUTTON_LMASK) != 0;
  return ToProgramPixels(p, scale_);
}

void SdlPlatform::StartDrag(SdlWindow& w) {
  bool left = false;
  const Point pointer = GlobalMouse(&left);
  if (!router_.BeginDrag(w, pointer, left)) return;
  // There may be no window manager to move the window: follow the mouse
  // ourselves, also when its events stop coming (pointer outside, no grab).
  if (!dragTimer_) dragTimer_ = loop_->SetTimer(kDragPollMs, true, [this] { PollDrag(); });
}

void SdlPlatform::PollDrag() {
  if (!router_.Dragged()) {
    loop_->KillTimer(dragTimer_);
    dragTimer_ = 0;
    return;
  }
  bool left = false;
  const Point pointer = GlobalMouse(&left);
  // The X server knows the button; other drivers end the drag on the release event.
  router_.PollDrag(pointer, left || !x11_);
}

}  // namespace trv
