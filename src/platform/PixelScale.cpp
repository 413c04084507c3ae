#include "platform/PixelScale.h"

#include <algorithm>

namespace trv {

int ToProgramPixels(int screen, int scale) {
  if (scale <= 1) return screen;
  return screen >= 0 ? screen / scale : -((-screen + scale - 1) / scale);
}

Point ToProgramPixels(Point screen, int scale) {
  return {ToProgramPixels(screen.x, scale), ToProgramPixels(screen.y, scale)};
}

Rect ToScreenPixels(const Rect& program, int scale) {
  return {program.left * scale, program.top * scale, program.right * scale, program.bottom * scale};
}

std::vector<std::uint8_t> RepeatMask(const std::vector<std::uint8_t>& mask, int width, int height, int scale) {
  if (width <= 0 || height <= 0 || scale < 1 || mask.size() < std::size_t(width) * std::size_t(height)) return {};
  const std::size_t outWidth = std::size_t(width) * std::size_t(scale);
  std::vector<std::uint8_t> out(outWidth * std::size_t(height) * std::size_t(scale));
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = out.data() + std::size_t(y) * std::size_t(scale) * outWidth;
    const std::uint8_t* in = mask.data() + std::size_t(y) * std::size_t(width);
    for (int x = 0; x < width; ++x) std::fill_n(row + std::size_t(x) * std::size_t(scale), scale, in[x]);
    for (int copy = 1; copy < scale; ++copy) std::copy_n(row, outWidth, row + std::size_t(copy) * outWidth);
  }
  return out;
}

void PutRepeated(const Bitmap& from, const Rect& area, int scale, const PixelLayout& layout, std::uint8_t* pixels,
                 int pitch) {
  if (area.Empty() || scale < 1) return;
  const std::size_t rowPixels = std::size_t(area.Width()) * std::size_t(scale);
  for (int y = area.top; y < area.bottom; ++y) {
    const std::uint8_t* src = from.Row(y) + area.left * 3;
    auto* first = reinterpret_cast<std::uint32_t*>(pixels + std::size_t(y) * std::size_t(scale) * std::size_t(pitch)) +
                  std::size_t(area.left) * std::size_t(scale);
    std::uint32_t* out = first;
    for (int x = area.left; x < area.right; ++x, src += 3) {
      // Bitmaps hold blue, green, red.
      const std::uint32_t pixel = (std::uint32_t(src[2]) << layout.redShift) |
                                  (std::uint32_t(src[1]) << layout.greenShift) |
                                  (std::uint32_t(src[0]) << layout.blueShift) | layout.alwaysSet;
      out = std::fill_n(out, scale, pixel);
    }
    for (int copy = 1; copy < scale; ++copy)
      std::copy_n(first, rowPixels,
                  reinterpret_cast<std::uint32_t*>(reinterpret_cast<std::uint8_t*>(first) +
                                                   std::size_t(copy) * std::size_t(pitch)));
  }
}

}  // namespace trv
