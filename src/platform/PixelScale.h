#pragma once

#include <cstdint>
#include <vector>

#include "platform/Bitmap.h"
#include "platform/Geometry.h"

namespace trv {

// Between the program's pixels and a screen's that shows each of them as a
// `scale` x `scale` block. Points on the screen round down, also left of and
// above the origin, so a pointer one screen pixel outside a window is outside
// it in the program's pixels too.
int ToProgramPixels(int screen, int scale);
Point ToProgramPixels(Point screen, int scale);
Rect ToScreenPixels(const Rect& program, int scale);

// A mask of `width` x `height` bytes (as RasterizePolygon makes) with every
// byte repeated into a `scale` x `scale` block: the shape of the window at
// the screen's size. A mask shorter than width * height gives an empty one.
std::vector<std::uint8_t> RepeatMask(const std::vector<std::uint8_t>& mask, int width, int height, int scale);

// Where red, green and blue lie in a 32-bit screen pixel, and the bits always set.
struct PixelLayout {
  int redShift = 16, greenShift = 8, blueShift = 0;
  std::uint32_t alwaysSet = 0;
};

// Copies `area` of the bitmap (program pixels) into a 32-bit surface whose
// rows are `pitch` bytes apart, every pixel as a `scale` x `scale` block. The
// caller clips `area` to the bitmap and to the surface's size divided by `scale`.
void PutRepeated(const Bitmap& from, const Rect& area, int scale, const PixelLayout& layout, std::uint8_t* pixels,
                 int pitch);

}  // namespace trv
