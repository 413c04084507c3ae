#include "platform/Bitmap.h"

#include <algorithm>
#include <cstring>

namespace trv {

Bitmap::Bitmap(int width, int height, Color fill) { Resize(width, height, fill); }

Color Bitmap::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  const std::uint8_t* p = Row(y) + std::size_t(x) * 3;
  return MakeColor(p[2], p[1], p[0]);
}

void Bitmap::SetPixel(int x, int y, Color c) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  std::uint8_t* p = Row(y) + std::size_t(x) * 3;
  p[0] = BlueOf(c);
  p[1] = GreenOf(c);
  p[2] = RedOf(c);
}

void Bitmap::Resize(int width, int height, Color fill) {
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  stride_ = int((std::size_t(width_) * 3 + 3) & ~std::size_t(3));
  // Padding bytes stay zero so that two equal pictures compare equal byte for byte.
  data_.assign(std::size_t(stride_) * std::size_t(height_), 0);
  Fill(Bounds(), fill);
}

void Bitmap::Fill(const Rect& r, Color c) {
  const Rect clip = r.Intersect(Bounds());
  if (clip.Empty()) return;
  const std::uint8_t b = BlueOf(c), g = GreenOf(c), red = RedOf(c);
  // Fill the first row pixel by pixel, then copy it to the rest.
  std::uint8_t* first = Row(clip.top) + std::size_t(clip.left) * 3;
  for (int x = 0; x < clip.Width(); ++x) {
    first[x * 3] = b;
    first[x * 3 + 1] = g;
    first[x * 3 + 2] = red;
  }
  const std::size_t bytes = std::size_t(clip.Width()) * 3;
  for (int y = clip.top + 1; y < clip.bottom; ++y)
    std::memcpy(Row(y) + std::size_t(clip.left) * 3, first, bytes);
}

void Bitmap::Blit(int dx, int dy, const Bitmap& src, const Rect& srcRect) {
  // 64-bit so that far-away destinations or huge rectangles cannot overflow.
  long long sl = srcRect.left, st = srcRect.top, sr = srcRect.right, sb = srcRect.bottom;
  long long x = dx, y = dy;
  // Clip against the source picture, moving the destination along.
  if (sl < 0) { x -= sl; sl = 0; }
  if (st < 0) { y -= st; st = 0; }
  sr = std::min<long long>(sr, src.width_);
  sb = std::min<long long>(sb, src.height_);
  // Clip against this picture, moving the source along.
  if (x < 0) { sl -= x; x = 0; }
  if (y < 0) { st -= y; y = 0; }
  sr = std::min<long long>(sr, sl + (width_ - x));
  sb = std::min<long long>(sb, st + (height_ - y));
  if (sr <= sl || sb <= st) return;

  const std::size_t bytes = std::size_t(sr - sl) * 3;
  const long long rows = sb - st;
  // Copying a picture onto itself: walk the rows in the direction that does not
  // overwrite rows still to be read; memmove handles overlap within a row.
  const bool backwards = (&src == this) && y > st;
  for (long long i = 0; i < rows; ++i) {
    const long long r = backwards ? rows - 1 - i : i;
    std::memmove(Row(int(y + r)) + std::size_t(x) * 3, src.Row(int(st + r)) + std::size_t(sl) * 3, bytes);
  }
}

}  // namespace trv
