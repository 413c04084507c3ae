#include <gtest/gtest.h>

#include <optional>
#include <random>

#include "platform/Bmp.h"

namespace trv {
namespace {

constexpr Color kRed = MakeColor(255, 0, 0);
constexpr Color kGreen = MakeColor(0, 255, 0);
constexpr Color kBlue = MakeColor(0, 0, 255);
constexpr Color kWhite = MakeColor(255, 255, 255);
constexpr Color kBlack = 0;
constexpr Color kGrey = MakeColor(10, 20, 30);

enum : std::uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitfields = 3, kJpeg = 4, kPng = 5, kAlphaBitfields = 6 };

// Composes a bitmap file by hand, field by field, so each test states exactly
// the bytes a writer might have produced.
struct BmpFile {
  std::uint32_t headerSize = 40;
  std::int32_t width = 1;
  std::int32_t height = 1;
  std::uint16_t bpp = 24;
  std::uint32_t compression = kRgb;
  std::uint32_t clrUsed = 0;
  std::vector<Color> palette{};      // written blue, green, red (+ spare byte unless core)
  std::vector<std::uint32_t> masks{};  // inside a V2+ header, else after the header
  std::vector<std::uint8_t> pixels{};
  std::optional<std::uint32_t> offBits{};  // default: right after the palette

  std::vector<std::uint8_t> Bytes() const {
    std::vector<std::uint8_t> out;
    auto put16 = [&](std::uint32_t v) { out.insert(out.end(), {std::uint8_t(v), std::uint8_t(v >> 8)}); };
    auto put32 = [&](std::uint32_t v) { put16(v & 0xFFFF), put16(v >> 16); };
    out = {'B', 'M'};
    put32(0);  // file size: readers ignore it
    put32(0);
    put32(0);  // offset, patched below
    put32(headerSize);
    if (headerSize == 12) {
      put16(std::uint32_t(width)), put16(std::uint32_t(height)), put16(1), put16(bpp);
    } else {
      put32(std::uint32_t(width)), put32(std::uint32_t(height)), put16(1), put16(bpp);
      put32(compression), put32(std::uint32_t(pixels.size())), put32(0), put32(0), put32(clrUsed), put32(0);
      if (headerSize == 40) {
        for (auto m : masks) put32(m);
      } else {
        for (std::size_t i = 0; i < 4; ++i) put32(i < masks.size() ? masks[i] : 0);
        out.resize(14 + headerSize, 0);  // colour space fields stay zero
      }
    }
    for (Color c : palette) {
      out.insert(out.end(), {BlueOf(c), GreenOf(c), RedOf(c)});
      if (headerSize != 12) out.push_back(0x55);  // the spare byte must not matter
    }
    const std::uint32_t offset = offBits.value_or(std::uint32_t(out.size()));
    for (int i = 0; i < 4; ++i) out[10 + i] = std::uint8_t(offset >> (8 * i));
    if (offset > out.size()) out.resize(offset, 0xEE);
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
  }
};

// Pixel rows in file order, each padded to four bytes with junk that must be ignored.
std::vector<std::uint8_t> Rows(std::initializer_list<std::vector<std::uint8_t>> rows) {
  std::vector<std::uint8_t> out;
  for (const auto& r : rows) {
    out.insert(out.end(), r.begin(), r.end());
    while (out.size() % 4) out.push_back(0xA5);
  }
  return out;
}

Bitmap Decode(const BmpFile& f) {
  std::string error;
  auto b = DecodeBmp(f.Bytes(), &error);
  EXPECT_TRUE(b) << error;
  return b ? *b : Bitmap();
}

std::string Reject(const std::vector<std::uint8_t>& bytes) {
  std::string error;
  auto b = DecodeBmp(bytes, &error);
  EXPECT_FALSE(b);
  EXPECT_FALSE(error.empty());
  return error;
}

// Rows of the decoded picture, top first.
void ExpectPixels(const Bitmap& b, std::initializer_list<std::vector<Color>> rows) {
  ASSERT_EQ(b.Height(), int(rows.size()));
  int y = 0;
  for (const auto& row : rows) {
    ASSERT_EQ(b.Width(), int(row.size()));
    for (int x = 0; x < b.Width(); ++x) EXPECT_EQ(b.Pixel(x, y), row[x]) << "at " << x << "," << y;
    ++y;
  }
}

TEST(Bmp, PalettedDepths) {
  // 1 bit, 10 wide (two bytes a row), bottom-up: the first file row is the bottom one.
  BmpFile f{.width = 10, .height = 2, .bpp = 1, .palette = {kRed, kBlue},
            .pixels = Rows({{0b10100000, 0b01000000}, {0b00000001, 0b10000000}})};
  const Color R = kRed, B = kBlue;
  ExpectPixels(Decode(f), {{R, R, R, R, R, R, R, B, B, R}, {B, R, B, R, R, R, R, R, R, B}});

  // A palette smaller than the depth allows: indices past it are black.
  f = {.width = 3, .bpp = 4, .clrUsed = 2, .palette = {kRed, kGreen}, .pixels = Rows({{0x10, 0x70}})};
  ExpectPixels(Decode(f), {{kGreen, kRed, kBlack}});

  // 4 bits, colours used 0 meaning all 16, odd width ends on a high nibble.
  std::vector<Color> sixteen(16, kGrey);
  sixteen[15] = kWhite;
  f = {.width = 3, .bpp = 4, .palette = sixteen, .pixels = Rows({{0xF1, 0xF0}})};
  ExpectPixels(Decode(f), {{kWhite, kGrey, kWhite}});

  // 8 bits, top-down (negative height), index past a three-entry palette.
  f = {.width = 2, .height = -2, .bpp = 8, .clrUsed = 3, .palette = {kRed, kGreen, kBlue},
       .pixels = Rows({{0, 1}, {2, 200}})};
  ExpectPixels(Decode(f), {{kRed, kGreen}, {kBlue, kBlack}});

  // Core header: RGB triples, always 2^bpp of them.
  f = {.headerSize = 12, .width = 2, .height = 2, .bpp = 1, .palette = {kGreen, kBlue},
       .pixels = Rows({{0b01000000}, {0b10000000}})};
  ExpectPixels(Decode(f), {{kBlue, kGreen}, {kGreen, kBlue}});
  std::vector<Color> ramp(256);
  for (int i = 0; i < 256; ++i) ramp[i] = MakeColor(std::uint8_t(i), 0, std::uint8_t(255 - i));
  f = {.headerSize = 12, .width = 3, .bpp = 8, .palette = ramp, .pixels = Rows({{0, 128, 255}})};
  ExpectPixels(Decode(f), {{ramp[0], ramp[128], ramp[255]}});
}

TEST(Bmp, DirectColourDepths) {
  // 24 bits, padded rows, bottom-up; also through a core header.
  BmpFile f{.width = 3, .height = 2,
            .pixels = Rows({{1, 2, 3, 4, 5, 6, 7, 8, 9}, {0xFF, 0, 0, 0, 0xFF, 0, 0, 0, 0xFF}})};
  ExpectPixels(Decode(f), {{kBlue, kGreen, kRed}, {MakeColor(3, 2, 1), MakeColor(6, 5, 4), MakeColor(9, 8, 7)}});
  f.headerSize = 12;
  ExpectPixels(Decode(f), {{kBlue, kGreen, kRed}, {MakeColor(3, 2, 1), MakeColor(6, 5, 4), MakeColor(9, 8, 7)}});

  // 16 bits default to 5-5-5; the top bit is unused; 16 of 31 rounds to 132.
  f = {.width = 5, .bpp = 16, .pixels = Rows({{0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0x10, 0x42, 0x00, 0x80}})};
  ExpectPixels(Decode(f), {{kRed, kGreen, kBlue, MakeColor(132, 132, 132), kBlack}});

  // 5-6-5 bit fields after a 40-byte header; 32 of 63 green rounds to 130.
  f = {.width = 3, .bpp = 16, .compression = kBitfields, .masks = {0xF800, 0x07E0, 0x001F},
       .pixels = Rows({{0x00, 0xF8, 0x00, 0x04, 0xFF, 0xFF}})};
  ExpectPixels(Decode(f), {{kRed, MakeColor(0, 130, 0), kWhite}});

  // 32 bits default to blue, green, red, unused.
  f = {.width = 2, .bpp = 32, .pixels = {1, 2, 3, 0xFF, 0xFF, 0, 0, 0x7F}};
  ExpectPixels(Decode(f), {{MakeColor(3, 2, 1), kBlue}});

  // 32-bit bit fields in red, green, blue byte order: inside V3, V4 and V5 headers,
  // after a 40-byte header (with an alpha mask for alpha bit fields).
  const std::vector<std::uint8_t> rgbx = {10, 20, 30, 0xFF, 0xFF, 0, 0, 0};
  for (std::uint32_t header : {52u, 56u, 108u, 124u}) {
    f = {.headerSize = header, .width = 2, .bpp = 32, .compression = kBitfields,
         .masks = {0xFF, 0xFF00, 0xFF0000, 0xFF000000}, .pixels = rgbx};
    ExpectPixels(Decode(f), {{MakeColor(10, 20, 30), kRed}});
  }
  f = {.width = 2, .bpp = 32, .compression = kAlphaBitfields, .masks = {0xFF, 0xFF00, 0xFF0000, 0xFF000000},
       .pixels = rgbx};
  ExpectPixels(Decode(f), {{MakeColor(10, 20, 30), kRed}});
  // Masks in a V5 header mean nothing without bit-field compression.
  f.headerSize = 124;
  f.compression = kRgb;
  ExpectPixels(Decode(f), {{MakeColor(30, 20, 10), kBlue}});
}

TEST(Bmp, Rle8) {
  // 6x4, bottom-up. Row 0 (bottom): run of 3 x index 1, absolute run of 3 (padded), end of line.
  // Row 1: run of 9 (clipped at 6), end of line. Row 2: delta (2 right, 1 down) to row 3 x 2,
  // run of 2 x index 2, end of bitmap. Row 2 and the rest stay palette index 0.
  BmpFile f{.width = 6, .height = 4, .bpp = 8, .compression = kRle8, .clrUsed = 3,
            .palette = {kGrey, kRed, kBlue},
            .pixels = {3, 1, 0, 3, 2, 1, 2, 0, 0, 0, 9, 2, 0, 0, 0, 2, 2, 1, 2, 2, 0, 1, 7, 1}};
  const Color g = kGrey, R = kRed, B = kBlue;
  ExpectPixels(Decode(f), {{g, g, B, B, g, g}, {g, g, g, g, g, g}, {B, B, B, B, B, B}, {R, R, R, B, R, B}});

  // Top-down rows; a stream cut off without its end code keeps what it decoded;
  // a delta far past the bottom and a truncated absolute run stop cleanly.
  f = {.width = 4, .height = -2, .bpp = 8, .compression = kRle8, .clrUsed = 2, .palette = {kGrey, kRed},
       .pixels = {2, 1, 0, 0, 0, 4, 1}};
  ExpectPixels(Decode(f), {{R, R, g, g}, {R, g, g, g}});
  f.pixels = {1, 1, 0, 2, 200, 200, 1, 1};
  ExpectPixels(Decode(f), {{R, g, g, g}, {g, g, g, g}});
}

TEST(Bmp, Rle4) {
  // 6x2 bottom-up. Bottom row: run of 3 alternating nibbles 1,2,1; absolute run of 3
  // nibbles 3,4,5 (two bytes, already even; 5 is past the palette), end of line.
  // Top row: delta 1 right on the same row, run of 7 nibbles 2,1,2,... clipped at the
  // edge after 5 pixels, absolute run of 5 nibbles (three bytes padded to four) that
  // writes nothing, end of bitmap.
  BmpFile f{.width = 6, .height = 2, .bpp = 4, .compression = kRle4, .clrUsed = 5,
            .palette = {kGrey, kRed, kGreen, kBlue, kWhite},
            .pixels = {3, 0x12, 0, 3, 0x34, 0x50, 0, 0, 0, 2, 1, 0, 7, 0x21, 0, 5, 1, 1, 1, 0, 0, 1}};
  const Color g = kGrey, R = kRed, G = kGreen, B = kBlue, W = kWhite;
  ExpectPixels(Decode(f), {{g, G, R, G, R, G}, {R, G, R, B, W, kBlack}});
  // Five nibbles take three bytes plus a pad byte; a decoder that missed the pad
  // would read "0, 2" as a delta.
  f.pixels = {0, 5, 0x12, 0x34, 0x50, 0x00, 2, 0x33, 0, 1};
  ExpectPixels(Decode(f), {{g, g, g, g, g, g}, {R, G, B, W, kBlack, B}});
}

TEST(Bmp, PixelOffset) {
  BmpFile f{.width = 1, .bpp = 8, .clrUsed = 2, .palette = {kRed, kBlue}, .pixels = {1, 0, 0, 0}};
  f.offBits = 14 + 40 + 8 + 6;  // a gap between palette and pixels is skipped
  ExpectPixels(Decode(f), {{kBlue}});
  for (std::uint32_t off : {0u, 20u}) {  // zero or inside the headers: right after the palette
    f.offBits = off;
    auto b = DecodeBmp(f.Bytes());
    ASSERT_TRUE(b);
    EXPECT_EQ(b->Pixel(0, 0), kBlue);
  }
  // Pixels starting inside the palette cut it short: index 1 is then black.
  f.offBits = 14 + 40 + 4;
  f.pixels = {};
  auto bytes = f.Bytes();
  bytes.resize(14 + 40 + 4);
  bytes.insert(bytes.end(), {1, 0, 0, 0});
  auto b = DecodeBmp(bytes);
  ASSERT_TRUE(b);
  EXPECT_EQ(b->Pixel(0, 0), kBlack);
}

TEST(Bmp, MalformedFilesAreRejectedWithAReason) {
  const BmpFile good{.width = 2, .height = 2, .bpp = 24, .pixels = Rows({{1, 2, 3, 4, 5, 6}, {7, 8, 9, 1, 2, 3}})};
  ASSERT_TRUE(DecodeBmp(good.Bytes()));
  auto with = [&](auto change) {
    BmpFile f = good;
    change(f);
    return f.Bytes();
  };
  auto bytes = good.Bytes();

  EXPECT_NE(Reject({'B', 'M', 0, 0}).find("short"), std::string::npos);
  bytes[0] = 'X';
  EXPECT_NE(Reject(bytes).find("signature"), std::string::npos);
  EXPECT_NE(Reject(with([](BmpFile& f) { f.headerSize = 64; })).find("header size 64"), std::string::npos);
  bytes = good.Bytes();
  bytes.resize(14 + 30);
  EXPECT_NE(Reject(bytes).find("short"), std::string::npos);

  for (auto size : {std::pair{0, 2}, {-2, 2}, {2, 0}, {16385, 1}, {1, -16385}, {16384, 16384},
                    {int(0x80000000), 1}, {1, int(0x80000000)}})
    Reject(with([=](BmpFile& f) { f.width = size.first, f.height = size.second; }));
  EXPECT_NE(Reject(with([](BmpFile& f) { f.width = 16384, f.height = 16384; })).find("too large"),
            std::string::npos);

  EXPECT_NE(Reject(with([](BmpFile& f) { f.bpp = 2; })).find("bit count 2"), std::string::npos);
  EXPECT_NE(Reject(with([](BmpFile& f) { f.bpp = 16, f.headerSize = 12; })).find("bit count"), std::string::npos);
  EXPECT_NE(Reject(with([](BmpFile& f) { f.bpp = 0, f.compression = kJpeg; })).find("JPEG"), std::string::npos);
  EXPECT_NE(Reject(with([](BmpFile& f) { f.bpp = 0, f.compression = kPng; })).find("PNG"), std::string::npos);
  EXPECT_NE(Reject(with([](BmpFile& f) { f.compression = 11; })).find("compression 11"), std::string::npos);
  Reject(with([](BmpFile& f) { f.bpp = 4, f.compression = kRle8; }));
  Reject(with([](BmpFile& f) { f.bpp = 8, f.compression = kRle4; }));
  Reject(with([](BmpFile& f) { f.compression = kBitfields; }));  // 24 bits have no masks

  // Bit fields: a zero mask, masks cut off by the end of the file.
  EXPECT_NE(Reject(with([](BmpFile& f) {
              f.bpp = 32, f.compression = kBitfields, f.masks = {0xFF0000, 0, 0xFF};
            })).find("mask"),
            std::string::npos);
  Reject(with([](BmpFile& f) { f.bpp = 16, f.compression = kBitfields, f.masks = {0xFF0000, 0xFF00, 0xFF}; }));
  bytes = with([](BmpFile& f) { f.bpp = 16, f.compression = kBitfields, f.masks = {0xF800, 0x7E0, 0x1F}; });
  bytes.resize(14 + 40 + 8);
  Reject(bytes);

  // A palette or pixel rows running past the end of the file.
  bytes = with([](BmpFile& f) { f.bpp = 8, f.clrUsed = 200, f.palette.assign(199, kRed), f.offBits = 0, f.pixels = {}; });
  EXPECT_NE(Reject(bytes).find("palette"), std::string::npos);
  bytes = good.Bytes();
  bytes.resize(bytes.size() - 2);  // the last row's padding is optional, its pixels are not
  ASSERT_TRUE(DecodeBmp(bytes));
  bytes.pop_back();
  EXPECT_NE(Reject(bytes).find("pixel data"), std::string::npos);
  bytes = good.Bytes();
  bytes[10] = 0xF0, bytes[11] = bytes[12] = bytes[13] = 0xFF;
  EXPECT_NE(Reject(bytes).find("pixel data"), std::string::npos);
  EXPECT_NE(Reject(with([](BmpFile& f) { f.bpp = 8, f.compression = kRle8, f.pixels = {}; })).find("no pixel"),
            std::string::npos);
}

TEST(Bmp, EncodeWritesA24BitBottomUpFileThatDecodesBack) {
  std::mt19937 rng(7);
  for (int w = 1; w <= 6; ++w) {
    Bitmap b(w, 3);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < w; ++x) b.SetPixel(x, y, rng() & 0xFFFFFF);
    const auto bytes = EncodeBmp(b);
    const std::size_t stride = (std::size_t(w) * 3 + 3) / 4 * 4;
    ASSERT_EQ(bytes.size(), 54 + stride * 3);
    EXPECT_EQ(bytes[10], 54);  // pixels right after the header
    EXPECT_EQ(bytes[14], 40);
    EXPECT_EQ(bytes[22], 3);   // positive height: bottom-up
    EXPECT_EQ(bytes[28], 24);
    // The first stored row is the bottom one, blue first.
    EXPECT_EQ(bytes[54], BlueOf(b.Pixel(0, 2)));
    EXPECT_EQ(bytes[56], RedOf(b.Pixel(0, 2)));
    auto back = DecodeBmp(bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, b);
  }
}

}  // namespace
}  // namespace trv
