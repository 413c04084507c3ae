#include <gtest/gtest.h>

#include "windows/Blend.h"

namespace trv {
namespace {

// Every (level, from, to) triple, through every implementation this processor has.
TEST(BlendTest, VectorRowsEqualTheScalarRuleExhaustively) {
  std::vector<std::uint8_t> from(256 * 256), to(256 * 256), want(from.size()), got(from.size());
  for (int f = 0; f < 256; ++f)
    for (int t = 0; t < 256; ++t) {
      from[std::size_t(f * 256 + t)] = std::uint8_t(f);
      to[std::size_t(f * 256 + t)] = std::uint8_t(t);
    }
  std::vector<BlendRowFn> impls;
  if (BlendRowFn f = BlendRowSse2()) impls.push_back(f);
  if (BlendRowFn f = BlendRowAvx2()) impls.push_back(f);
  for (int level = 0; level < 256; ++level) {
    for (std::size_t i = 0; i < from.size(); ++i)
      want[i] = std::uint8_t(from[i] + ((level * (to[i] - from[i])) >> 8));
    BlendRowScalar(got.data(), from.data(), to.data(), from.size(), level);
    ASSERT_EQ(got, want) << "scalar, level " << level;
    for (BlendRowFn impl : impls) {
      std::fill(got.begin(), got.end(), 0);
      impl(got.data(), from.data(), to.data(), from.size(), level);
      ASSERT_EQ(got, want) << "level " << level;
      // Unaligned, with a tail of 7 left to the scalar rest, and not one byte beyond.
      std::fill(got.begin(), got.end(), 0);
      impl(got.data() + 1, from.data() + 1, to.data() + 1, from.size() - 8, level);
      ASSERT_TRUE(std::equal(got.begin() + 1, got.end() - 7, want.begin() + 1)) << "level " << level;
      ASSERT_EQ(got.back(), 0);
    }
  }
}

TEST(BlendTest, EndLevelsAndRowGaps) {
  for (Size size : {Size{3, 2}, Size{801, 3}}) {
    TFastBMP from, to, out;
    from.LoadFromBitmap(Bitmap(size.width, size.height, MakeColor(10, 200, 100)));
    to.LoadFromBitmap(Bitmap(size.width, size.height, MakeColor(200, 10, 100)));
    out.SetSize(size.width, size.height);
    EXPECT_EQ(out.RowGap(), size.width % 4);
    EXPECT_TRUE(Blend(out, from, to, 0));
    EXPECT_EQ(out.Bits(), from.Bits());
    Blend(out, from, to, 255);
    // Where `to` is above `from` the result is one below it; elsewhere it is `to`.
    EXPECT_EQ(out.Bits().Pixel(size.width - 1, size.height - 1), MakeColor(199, 10, 100));
    // The padding bytes of each row stay as they were.
    EXPECT_EQ(out.Bits().Row(0)[size.width * 3], 0);
  }
}

TEST(BlendTest, UnequalSizesBlendTheCommonArea) {
  TFastBMP from, to, out;
  from.LoadFromBitmap(Bitmap(4, 4, MakeColor(0, 0, 0)));
  to.LoadFromBitmap(Bitmap(2, 2, MakeColor(255, 255, 255)));
  out.SetSize(4, 4);
  EXPECT_FALSE(Blend(out, from, to, 128));
  EXPECT_EQ(out.Bits().Pixel(1, 1), MakeColor(127, 127, 127));
  EXPECT_EQ(out.Bits().Pixel(3, 3), MakeColor(0, 0, 0));
}

}  // namespace
}  // namespace trv
