#include <gtest/gtest.h>
#include <zlib.h>

#include "platform/Png.h"

namespace trv {
namespace {

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return std::uint32_t(b[at]) << 24 | std::uint32_t(b[at + 1]) << 16 | std::uint32_t(b[at + 2]) << 8 | b[at + 3];
}

// Decodes the encoder's own output (one IDAT, filter 0) back into pixels.
TEST(PngTest, RoundTripsPixelsAsRgbRows) {
  Bitmap bmp(3, 2, MakeColor(1, 2, 3));
  bmp.SetPixel(2, 1, MakeColor(200, 100, 50));
  const std::vector<std::uint8_t> png = EncodePng(bmp);
  ASSERT_GT(png.size(), 8u + 25u);
  EXPECT_EQ(png[1], 'P');
  EXPECT_EQ(U32(png, 16), 3u);  // IHDR width
  EXPECT_EQ(U32(png, 20), 2u);  // IHDR height
  std::size_t at = 8;
  std::vector<std::uint8_t> idat;
  while (at + 8 <= png.size()) {
    const std::uint32_t len = U32(png, at);
    const std::string type(png.begin() + long(at) + 4, png.begin() + long(at) + 8);
    const uLong crc = crc32(0L, png.data() + at + 4, uInt(len + 4));
    EXPECT_EQ(U32(png, at + 8 + len), std::uint32_t(crc)) << type;
    if (type == "IDAT") idat.assign(png.begin() + long(at) + 8, png.begin() + long(at + 8 + len));
    at += 12 + len;
  }
  EXPECT_EQ(at, png.size());
  std::vector<std::uint8_t> raw(2 * (1 + 9));
  uLongf rawSize = raw.size();
  ASSERT_EQ(uncompress(raw.data(), &rawSize, idat.data(), uLong(idat.size())), Z_OK);
  ASSERT_EQ(rawSize, raw.size());
  EXPECT_EQ(raw[0], 0);
  EXPECT_EQ((std::vector<std::uint8_t>(raw.begin() + 1, raw.begin() + 4)), (std::vector<std::uint8_t>{1, 2, 3}));
  EXPECT_EQ((std::vector<std::uint8_t>(raw.begin() + 17, raw.begin() + 20)),
            (std::vector<std::uint8_t>{200, 100, 50}));
}

}  // namespace
}  // namespace trv
