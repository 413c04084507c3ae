#include <gtest/gtest.h>

#include <cstring>

#include "platform/PixelScale.h"
#include "platform/Region.h"

namespace trv {
namespace {

TEST(PixelScaleTest, ScreenPointsRoundDownOnBothSidesOfTheOrigin) {
  EXPECT_EQ(ToProgramPixels(5, 1), 5);
  EXPECT_EQ(ToProgramPixels(-5, 1), -5);
  EXPECT_EQ(ToProgramPixels(0, 2), 0);
  EXPECT_EQ(ToProgramPixels(1, 2), 0);
  EXPECT_EQ(ToProgramPixels(2, 2), 1);
  EXPECT_EQ(ToProgramPixels(-1, 2), -1);  // one screen pixel left of a window is left of it
  EXPECT_EQ(ToProgramPixels(-2, 2), -1);
  EXPECT_EQ(ToProgramPixels(-3, 2), -2);
  EXPECT_EQ(ToProgramPixels(Point{1201, 305}, 3), (Point{400, 101}));
  // Every screen pixel of a block maps back to the block's program pixel.
  const Rect r = ToScreenPixels(Rect{10, 20, 30, 45}, 3);
  EXPECT_EQ(r, (Rect{30, 60, 90, 135}));
  EXPECT_EQ(ToProgramPixels(Point{r.right - 1, r.bottom - 1}, 3), (Point{29, 44}));
  EXPECT_EQ(ToProgramPixels(Point{r.left, r.top}, 3), (Point{10, 20}));
}

TEST(PixelScaleTest, RepeatedMaskIsTheShapeCutAtTheLargerSize) {
  // A triangle: its repeated mask must cover exactly the blocks of its pixels.
  const Polygon triangle{{0, 0}, {7, 0}, {0, 5}};
  const int w = 8, h = 6;
  const auto mask = RasterizePolygon(triangle, w, h);
  for (int scale : {1, 2, 3}) {
    const auto big = RepeatMask(mask, w, h, scale);
    ASSERT_EQ(big.size(), std::size_t(w * scale) * std::size_t(h * scale));
    for (int y = 0; y < h * scale; ++y)
      for (int x = 0; x < w * scale; ++x)
        ASSERT_EQ(big[std::size_t(y * w * scale + x)], mask[std::size_t((y / scale) * w + x / scale)])
            << "scale " << scale << " at " << x << "," << y;
  }
  EXPECT_TRUE(RepeatMask(std::vector<std::uint8_t>(10, 1), w, h, 2).empty());  // shorter than the size says
  EXPECT_TRUE(RepeatMask(mask, w, h, 0).empty());
}

TEST(PixelScaleTest, PutRepeatedWritesBlocksOfTheAreaOnlyInTheSurfaceLayout) {
  Bitmap fb(3, 2);
  fb.SetPixel(0, 0, MakeColor(10, 20, 30));
  fb.SetPixel(1, 0, MakeColor(40, 50, 60));
  fb.SetPixel(2, 0, MakeColor(70, 80, 90));
  fb.SetPixel(0, 1, MakeColor(1, 2, 3));
  fb.SetPixel(1, 1, MakeColor(4, 5, 6));
  fb.SetPixel(2, 1, MakeColor(7, 8, 9));
  const int scale = 2, pitch = 3 * scale * 4 + 8;  // rows padded, as surfaces may be
  std::vector<std::uint8_t> surface(std::size_t(pitch) * 2 * scale, 0xEE);
  const PixelLayout layout{0, 8, 16, 0xFF000000u};  // red lowest
  PutRepeated(fb, Rect{1, 0, 3, 2}, scale, layout, surface.data(), pitch);
  auto at = [&](int x, int y) {
    std::uint32_t v;
    std::memcpy(&v, surface.data() + std::size_t(y) * pitch + std::size_t(x) * 4, 4);
    return v;
  };
  auto packed = [&](int r, int g, int b) { return std::uint32_t(r) | std::uint32_t(g) << 8 | std::uint32_t(b) << 16 | 0xFF000000u; };
  for (int y = 0; y < 4; ++y) {
    // Column 0 of the bitmap lies outside the area: its blocks stay untouched.
    EXPECT_EQ(at(0, y), 0xEEEEEEEEu);
    EXPECT_EQ(at(1, y), 0xEEEEEEEEu);
    for (int x = 2; x < 6; ++x) {
      const Color c = fb.Pixel(x / scale, y / scale);
      EXPECT_EQ(at(x, y), packed(RedOf(c), GreenOf(c), BlueOf(c))) << x << "," << y;
    }
  }
  // The padding after each row is not written.
  EXPECT_EQ(surface[std::size_t(pitch) - 1], 0xEE);
}

}  // namespace
}  // namespace trv
