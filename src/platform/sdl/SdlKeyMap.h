#pragma once

#include <SDL.h>

namespace trv {

// The virtual key of a key by its position (SDL scancode), whatever the
// desktop's layout types with it; 0 for keys that have none. With Num Lock off
// the keypad gives the navigation keys printed on it.
int VirtualKeyFromScancode(SDL_Scancode scancode, bool numLock);

// Shift state bits (Keys.h) of SDL modifier flags.
unsigned ShiftBitsFromMods(Uint16 mods);

}  // namespace trv
