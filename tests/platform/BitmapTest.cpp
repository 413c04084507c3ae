#include <gtest/gtest.h>

#include "platform/Bitmap.h"

namespace trv {
namespace {

constexpr Color kRed = MakeColor(255, 0, 0);
constexpr Color kWhite = MakeColor(255, 255, 255);

// A picture whose every pixel is distinct, so a misplaced copy shows.
Bitmap Numbered(int w, int h) {
  Bitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetPixel(x, y, MakeColor(std::uint8_t(x), std::uint8_t(y), 7));
  return b;
}

TEST(Bitmap, LayoutAndPixels) {
  for (auto [w, stride] : {std::pair{1, 4}, {2, 8}, {3, 12}, {4, 12}, {5, 16}}) {
    Bitmap b(w, 2);
    EXPECT_EQ(b.Stride(), stride);
    EXPECT_EQ(b.ByteSize(), std::size_t(stride) * 2);
  }
  Bitmap b(3, 2, kWhite);
  EXPECT_EQ(b.Pixel(2, 1), kWhite);
  b.SetPixel(1, 1, MakeColor(1, 2, 3));  // red 1, green 2, blue 3
  const std::uint8_t* p = b.Row(1) + 3;
  EXPECT_EQ(p[0], 3);  // stored blue, green, red
  EXPECT_EQ(p[1], 2);
  EXPECT_EQ(p[2], 1);
  EXPECT_EQ(b.Pixel(1, 1), 1u + 256u * 2 + 65536u * 3);
  EXPECT_EQ(b.Row(1), b.Data() + 12);  // rows top-down

  // Out of range: reads give 0, writes change nothing.
  const Bitmap before = b;
  for (auto [x, y] : {std::pair{-1, 0}, {0, -1}, {3, 0}, {0, 2}, {1 << 30, 1 << 30}}) {
    EXPECT_EQ(b.Pixel(x, y), 0u);
    b.SetPixel(x, y, kRed);
  }
  EXPECT_EQ(b, before);

  b.Resize(2, 5, kRed);
  EXPECT_EQ(b.Width(), 2);
  EXPECT_EQ(b.Height(), 5);
  EXPECT_EQ(b.Pixel(1, 4), kRed);
  b.Resize(-3, 4);
  EXPECT_TRUE(b.Empty());
  EXPECT_EQ(b.ByteSize(), 0u);
}

TEST(Bitmap, FillIsClipped) {
  Bitmap b(4, 3, kWhite);
  b.Fill({-5, 1, 2, 10}, kRed);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(b.Pixel(x, y), (x < 2 && y >= 1) ? kRed : kWhite) << x << "," << y;
  const Bitmap before = b;
  b.Fill({4, 0, 9, 3}, 0);   // entirely right of the picture
  b.Fill({2, 2, 1, 3}, 0);   // inverted
  EXPECT_EQ(b, before);
  // Padding bytes are never touched, so pictures with equal pixels compare equal.
  Bitmap c(4, 3, kWhite);
  c.Fill({0, 1, 2, 3}, kRed);
  EXPECT_EQ(b, c);
}

TEST(Bitmap, BlitClipsAgainstBothPictures) {
  const Bitmap src = Numbered(4, 3);
  struct Case {
    int dx, dy;
    Rect srcRect;
  };
  // Each case: the destination pixel (x, y) must hold src(x - dx + ..., ...) wherever
  // both the source rectangle (clipped to src) and the destination exist.
  for (const Case& c : {Case{1, 1, src.Bounds()}, Case{-2, -1, src.Bounds()}, Case{3, 2, {1, 1, 3, 3}},
                        Case{0, 0, {-2, -1, 2, 2}}, Case{2, 0, {2, 1, 9, 9}}, Case{5, 0, src.Bounds()},
                        Case{-4, 0, src.Bounds()}, Case{1, 1, {3, 3, 1, 1}}, Case{-2147483647, 0, {0, 0, 2147483647, 3}}}) {
    Bitmap dst(5, 4, kWhite);
    dst.Blit(c.dx, c.dy, src, c.srcRect);
    const Rect from = c.srcRect.Intersect(src.Bounds());
    for (int y = 0; y < dst.Height(); ++y)
      for (int x = 0; x < dst.Width(); ++x) {
        const long long sx = (long long)x - c.dx + c.srcRect.left, sy = (long long)y - c.dy + c.srcRect.top;
        const bool copied = from.left <= sx && sx < from.right && from.top <= sy && sy < from.bottom;
        EXPECT_EQ(dst.Pixel(x, y), copied ? src.Pixel(int(sx), int(sy)) : kWhite)
            << "blit to " << c.dx << "," << c.dy << " at " << x << "," << y;
      }
  }
}

TEST(Bitmap, BlitOntoItselfOverlapping) {
  for (auto [dx, dy] : {std::pair{1, 1}, {-1, -1}, {2, 0}, {0, -2}, {-1, 2}}) {
    Bitmap b = Numbered(6, 5);
    const Bitmap original = b;
    b.Blit(dx, dy, b, {1, 1, 5, 4});
    Bitmap expected = original;
    expected.Blit(dx, dy, original, {1, 1, 5, 4});
    EXPECT_EQ(b, expected) << dx << "," << dy;
  }
}

}  // namespace
}  // namespace trv
