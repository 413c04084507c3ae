#include "platform/sdl/SdlKeyMap.h"

#include <gtest/gtest.h>

#include "platform/Keys.h"

namespace trv {
namespace {

TEST(SdlKeyMap, CommandKeysByPosition) {
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_RETURN, true), vk::Return);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_KP_ENTER, true), vk::Return);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_ESCAPE, true), vk::Escape);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_F1, true), vk::F1);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_F4, true), vk::F1 + 3);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_F12, true), vk::F1 + 11);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_F13, true), vk::F1 + 12);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_BACKSPACE, true), vk::Back);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_TAB, true), vk::Tab);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_SPACE, true), vk::Space);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_LEFT, true), vk::Left);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_PAGEDOWN, true), vk::Next);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_RALT, true), vk::Menu);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_LCTRL, true), vk::Control);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_UNKNOWN, true), 0);
}

TEST(SdlKeyMap, LettersDigitsAndPunctuation) {
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_A, true), 'A');
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_Q, true), 'Q');
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_Z, true), 'Z');
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_1, true), '1');
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_9, true), '9');
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_0, true), '0');
  // The Russian letters on punctuation keys (х ъ ж э б ю ё) need these.
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_LEFTBRACKET, true), vk::Oem4);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_RIGHTBRACKET, true), vk::Oem6);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_SEMICOLON, true), vk::Oem1);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_APOSTROPHE, true), vk::Oem7);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_COMMA, true), vk::OemComma);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_PERIOD, true), vk::OemPeriod);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_GRAVE, true), vk::Oem3);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_SLASH, true), vk::Oem2);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_NONUSBACKSLASH, true), vk::Oem102);
}

TEST(SdlKeyMap, KeypadFollowsNumLock) {
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_KP_1, true), vk::Numpad0 + 1);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_KP_9, true), vk::Numpad0 + 9);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_KP_0, true), vk::Numpad0);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_KP_PERIOD, true), vk::Decimal);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_KP_7, false), vk::Home);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_KP_2, false), vk::Down);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_KP_0, false), vk::Insert);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_KP_PERIOD, false), vk::Delete);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_SCANCODE_KP_PLUS, false), vk::Add);
}

TEST(SdlKeyMap, ModifierBits) {
  EXPECT_EQ(ShiftBitsFromMods(KMOD_NONE), 0u);
  EXPECT_EQ(ShiftBitsFromMods(KMOD_LSHIFT), unsigned(kShift));
  EXPECT_EQ(ShiftBitsFromMods(KMOD_RCTRL | KMOD_LALT), unsigned(kCtrl | kAlt));
  EXPECT_EQ(ShiftBitsFromMods(KMOD_CAPS | KMOD_NUM), 0u);
}

}  // namespace
}  // namespace trv
