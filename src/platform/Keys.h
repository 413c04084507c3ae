#pragma once

// Virtual key codes, with the values Windows gives them, so that scripts and
// tests name keys the same way on every backend. Keys are matched by position
// (scancode), never by the character they type.
namespace trv::vk {

constexpr int Back = 0x08, Tab = 0x09, Return = 0x0D, Shift = 0x10, Control = 0x11,
              Menu = 0x12, Pause = 0x13, Capital = 0x14, Escape = 0x1B, Space = 0x20,
              Prior = 0x21, Next = 0x22, End = 0x23, Home = 0x24, Left = 0x25, Up = 0x26,
              Right = 0x27, Down = 0x28, Insert = 0x2D, Delete = 0x2E;
// '0'..'9' are 0x30..0x39 and 'A'..'Z' 0x41..0x5A.
constexpr int Key0 = 0x30, KeyA = 0x41;
constexpr int Numpad0 = 0x60, Multiply = 0x6A, Add = 0x6B, Subtract = 0x6D, Decimal = 0x6E,
              Divide = 0x6F;
constexpr int F1 = 0x70;  // F1..F24 follow in order
constexpr int Oem1 = 0xBA,       // ;:  (ж on the Russian layout)
    OemPlus = 0xBB,              // =+
    OemComma = 0xBC,             // ,<  (б)
    OemMinus = 0xBD,             // -_
    OemPeriod = 0xBE,            // .>  (ю)
    Oem2 = 0xBF,                 // /?  (.)
    Oem3 = 0xC0,                 // `~  (ё)
    Oem4 = 0xDB,                 // [{  (х)
    Oem5 = 0xDC,                 // \|
    Oem6 = 0xDD,                 // ]}  (ъ)
    Oem7 = 0xDE,                 // '"  (э)
    Oem102 = 0xE2;               // the extra key beside left Shift

}  // namespace trv::vk

namespace trv {

// Shift state bits of mouse and key events.
enum ShiftBits : unsigned {
  kShift = 1,
  kAlt = 2,
  kCtrl = 4,
  kLeftButton = 8,
  kRightButton = 16,
  kMiddleButton = 32,
};

enum class MouseButton { Left, Right, Middle };

}  // namespace trv
