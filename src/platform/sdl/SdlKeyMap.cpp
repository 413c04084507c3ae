#include "platform/sdl/SdlKeyMap.h"

#include "platform/Keys.h"

namespace trv {
namespace {

constexpr int kApps = 0x5D, kLeftWin = 0x5B, kRightWin = 0x5C, kSnapshot = 0x2C, kNumLock = 0x90,
              kScroll = 0x91, kClear = 0x0C;

int KeypadKey(SDL_Scancode sc, bool numLock) {
  // Keypad 1..9 then 0, as SDL orders them.
  static const int navigation[10] = {vk::End,  vk::Down, vk::Next, vk::Left,  kClear,
                                     vk::Right, vk::Home, vk::Up,   vk::Prior, vk::Insert};
  if (sc >= SDL_SCANCODE_KP_1 && sc <= SDL_SCANCODE_KP_0) {
    const int i = sc - SDL_SCANCODE_KP_1;
    if (!numLock) return navigation[i];
    return i == 9 ? vk::Numpad0 : vk::Numpad0 + 1 + i;
  }
  if (sc == SDL_SCANCODE_KP_PERIOD) return numLock ? vk::Decimal : vk::Delete;
  return 0;
}

}  // namespace

int VirtualKeyFromScancode(SDL_Scancode sc, bool numLock) {
  if (sc >= SDL_SCANCODE_A && sc <= SDL_SCANCODE_Z) return vk::KeyA + (sc - SDL_SCANCODE_A);
  if (sc >= SDL_SCANCODE_1 && sc <= SDL_SCANCODE_9) return vk::Key0 + 1 + (sc - SDL_SCANCODE_1);
  if (sc >= SDL_SCANCODE_F1 && sc <= SDL_SCANCODE_F12) return vk::F1 + (sc - SDL_SCANCODE_F1);
  if (sc >= SDL_SCANCODE_F13 && sc <= SDL_SCANCODE_F24) return vk::F1 + 12 + (sc - SDL_SCANCODE_F13);
  if (int k = KeypadKey(sc, numLock)) return k;
  switch (sc) {
    case SDL_SCANCODE_0: return vk::Key0;
    case SDL_SCANCODE_RETURN: return vk::Return;
    case SDL_SCANCODE_KP_ENTER: return vk::Return;
    case SDL_SCANCODE_ESCAPE: return vk::Escape;
    case SDL_SCANCODE_BACKSPACE: return vk::Back;
    case SDL_SCANCODE_TAB: return vk::Tab;
    case SDL_SCANCODE_SPACE: return vk::Space;
    case SDL_SCANCODE_MINUS: return vk::OemMinus;
    case SDL_SCANCODE_EQUALS: return vk::OemPlus;
    case SDL_SCANCODE_LEFTBRACKET: return vk::Oem4;
    case SDL_SCANCODE_RIGHTBRACKET: return vk::Oem6;
    case SDL_SCANCODE_BACKSLASH: return vk::Oem5;
    case SDL_SCANCODE_NONUSHASH: return vk::Oem5;  // the same key on ISO boards
    case SDL_SCANCODE_SEMICOLON: return vk::Oem1;
    case SDL_SCANCODE_APOSTROPHE: return vk::Oem7;
    case SDL_SCANCODE_GRAVE: return vk::Oem3;
    case SDL_SCANCODE_COMMA: return vk::OemComma;
    case SDL_SCANCODE_PERIOD: return vk::OemPeriod;
    case SDL_SCANCODE_SLASH: return vk::Oem2;
    case SDL_SCANCODE_NONUSBACKSLASH: return vk::Oem102;
    case SDL_SCANCODE_CAPSLOCK: return vk::Capital;
    case SDL_SCANCODE_PRINTSCREEN: return kSnapshot;
    case SDL_SCANCODE_SCROLLLOCK: return kScroll;
    case SDL_SCANCODE_PAUSE: return vk::Pause;
    case SDL_SCANCODE_INSERT: return vk::Insert;
    case SDL_SCANCODE_HOME: return vk::Home;
    case SDL_SCANCODE_PAGEUP: return vk::Prior;
    case SDL_SCANCODE_DELETE: return vk::Delete;
    case SDL_SCANCODE_END: return vk::End;
    case SDL_SCANCODE_PAGEDOWN: return vk::Next;
    case SDL_SCANCODE_RIGHT: return vk::Right;
    case SDL_SCANCODE_LEFT: return vk::Left;
    case SDL_SCANCODE_DOWN: return vk::Down;
    case SDL_SCANCODE_UP: return vk::Up;
    case SDL_SCANCODE_NUMLOCKCLEAR: return kNumLock;
    case SDL_SCANCODE_KP_DIVIDE: return vk::Divide;
    case SDL_SCANCODE_KP_MULTIPLY: return vk::Multiply;
    case SDL_SCANCODE_KP_MINUS: return vk::Subtract;
    case SDL_SCANCODE_KP_PLUS: return vk::Add;
    case SDL_SCANCODE_APPLICATION: return kApps;
    case SDL_SCANCODE_LCTRL:
    case SDL_SCANCODE_RCTRL: return vk::Control;
    case SDL_SCANCODE_LSHIFT:
    case SDL_SCANCODE_RSHIFT: return vk::Shift;
    case SDL_SCANCODE_LALT:
    case SDL_SCANCODE_RALT: return vk::Menu;
    case SDL_SCANCODE_LGUI: return kLeftWin;
    case SDL_SCANCODE_RGUI: return kRightWin;
    default: return 0;
  }
}

unsigned ShiftBitsFromMods(Uint16 mods) {
  unsigned bits = 0;
  if (mods & KMOD_SHIFT) bits |= kShift;
  if (mods & KMOD_ALT) bits |= kAlt;
  if (mods & KMOD_CTRL) bits |= kCtrl;
  return bits;
}

}  // namespace trv
