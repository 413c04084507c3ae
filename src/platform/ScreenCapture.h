#pragma once

#include <vector>

#include "platform/Bitmap.h"
#include "platform/Window.h"

namespace trv {

// What the screen shows in `screenRect`: the desktop colour with the program's
// visible windows on it, bottom first, each within its shape. Fades start from
// this picture; the program never reads other programs' pixels.
Bitmap ComposeScreen(const Rect& screenRect, const std::vector<Window*>& bottomToTop,
                     Color desktop = MakeColor(0, 0, 0));

}  // namespace trv
