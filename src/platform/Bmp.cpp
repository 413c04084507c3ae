#include "platform/Bmp.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

// Layout of a bitmap file, all fields little-endian:
//   file header (14 bytes): "BM", file size, two reserved words, offset of the pixels;
//   core header (12): size, width u16, height u16, planes, bit count;
//   info header (40): size, width, height (negative: rows top-down), planes, bit count,
//     compression, image size, two resolutions, colours used, colours important;
//   V2/V3 (52/56) add the red, green, blue (and alpha) masks, V4 (108) and V5 (124)
//     colour space data the decoder ignores;
//   with a 40-byte header and bit fields, three (alpha bit fields: four) masks follow it;
//   then the palette (blue, green, red and for all but the core header a spare byte),
//   then the pixel rows, each padded to four bytes.

namespace trv {
namespace {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::uint32_t kBiJpeg = 4;
constexpr std::uint32_t kBiPng = 5;
constexpr std::uint32_t kBiAlphaBitfields = 6;

constexpr std::uint64_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;

std::uint16_t U16(const std::uint8_t* p) { return std::uint16_t(p[0] | (p[1] << 8)); }
std::uint32_t U32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
         (std::uint32_t(p[3]) << 24);
}

std::optional<Bitmap> Fail(std::string* error, std::string reason) {
  if (error) *error = std::move(reason);
  return std::nullopt;
}

// One colour channel of a bit-field pixel, scaled to 0..255 whatever its width.
struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  std::uint64_t max = 1;

  explicit Channel(std::uint32_t m) : mask(m), shift(m ? std::countr_zero(m) : 0), max(m ? m >> shift : 1) {}
  std::uint8_t Of(std::uint32_t pixel) const {
    const std::uint64_t v = (pixel & mask) >> shift;
    return std::uint8_t((v * 255 + max / 2) / max);
  }
};

// Palette as blue, green, red triples; entries the file does not give stay black.
using Palette = std::array<std::uint8_t, 256 * 3>;

struct Layout {
  int width = 0;
  int height = 0;
  bool topDown = false;
  int bpp = 0;
  std::uint32_t compression = kBiRgb;
};

int RowOf(const Layout& l, std::int64_t line) { return l.topDown ? int(line) : l.height - 1 - int(line); }

void DecodeRows(const Layout& l, const std::uint8_t* data, std::uint64_t rowBytes, const Palette& palette,
                const std::array<std::uint32_t, 3>& masks, Bitmap& out) {
  const Channel red(masks[0]), green(masks[1]), blue(masks[2]);
  const bool plain32 = masks[0] == 0xFF0000 && masks[1] == 0xFF00 && masks[2] == 0xFF;
  for (int line = 0; line < l.height; ++line) {
    const std::uint8_t* src = data + std::uint64_t(line) * rowBytes;
    std::uint8_t* dst = out.Row(RowOf(l, line));
    auto putIndex = [&](int x, unsigned index) { std::memcpy(dst + x * 3, &palette[index * 3], 3); };
    switch (l.bpp) {
      case 1:
        for (int x = 0; x < l.width; ++x) putIndex(x, (src[x >> 3] >> (7 - (x & 7))) & 1u);
        break;
      case 4:
        for (int x = 0; x < l.width; ++x) putIndex(x, (src[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xFu);
        break;
      case 8:
        for (int x = 0; x < l.width; ++x) putIndex(x, src[x]);
        break;
      case 24:
        std::memcpy(dst, src, std::size_t(l.width) * 3);
        break;
      case 16:
      case 32:
        for (int x = 0; x < l.width; ++x) {
          std::uint8_t* p = dst + x * 3;
          if (l.bpp == 32 && plain32) {
            std::memcpy(p, src + x * 4, 3);
            continue;
          }
          const std::uint32_t v = l.bpp == 16 ? U16(src + x * 2) : U32(src + x * 4);
          p[0] = blue.Of(v);
          p[1] = green.Of(v);
          p[2] = red.Of(v);
        }
        break;
    }
  }
}

// Run-length streams. Pixels the stream never writes (skipped by a delta or an
// early end of line or bitmap) keep the colour of palette index 0, as they would
// in the expanded 8-bit picture. A stream that runs out before its end-of-bitmap
// code is accepted with what it decoded so far: a damaged tail costs the bottom
// of the picture, not the picture. Runs and deltas past the edges are clipped.
void DecodeRle(const Layout& l, const std::uint8_t* data, std::size_t size, const Palette& palette,
               Bitmap& out) {
  const bool rle4 = l.compression == kBiRle4;
  std::size_t pos = 0;
  std::int64_t x = 0, line = 0;
  std::uint8_t* row = out.Row(RowOf(l, 0));
  auto put = [&](unsigned index) {
    if (x >= l.width) return;  // the rest of the run falls off the right edge
    std::memcpy(row + x * 3, &palette[index * 3], 3);
    ++x;
  };
  auto moveTo = [&](std::int64_t nx, std::int64_t nline) {
    x = std::min<std::int64_t>(nx, l.width);
    if (nline != line) {
      line = std::min<std::int64_t>(nline, l.height);
      if (line < l.height) row = out.Row(RowOf(l, line));
    }
  };
  while (line < l.height && pos + 2 <= size) {
    const unsigned count = data[pos], value = data[pos + 1];
    pos += 2;
    if (count > 0) {
      for (unsigned i = 0; i < count && x < l.width; ++i)
        put(rle4 ? ((i & 1) ? value & 0xFu : value >> 4) : value);
    } else if (value == 0) {  // end of line
      moveTo(0, line + 1);
    } else if (value == 1) {  // end of bitmap
      break;
    } else if (value == 2) {  // delta: right and down (towards the end of the stream)
      if (pos + 2 > size) break;
      moveTo(x + data[pos], line + data[pos + 1]);
      pos += 2;
    } else {  // absolute run of `value` pixels, padded to a 16-bit boundary
      const std::size_t bytes = rle4 ? (value + 1) / 2 : value;
      const std::size_t avail = std::min(bytes, size - pos);
      for (unsigned i = 0; i < value; ++i) {
        const std::size_t b = rle4 ? i / 2 : i;
        if (b >= avail) break;
        const unsigned byte = data[pos + b];
        put(rle4 ? ((i & 1) ? byte & 0xFu : byte >> 4) : byte);
      }
      pos += std::min(size - pos, (bytes + 1) & ~std::size_t(1));
    }
  }
}

}  // namespace

std::optional<Bitmap> DecodeBmp(std::span<const std::uint8_t> bytes, std::string* error) {
  const std::uint8_t* d = bytes.data();
  const std::uint64_t size = bytes.size();
  if (size < kFileHeaderSize + 4) return Fail(error, "file too short for a bitmap header");
  if (d[0] != 'B' || d[1] != 'M') return Fail(error, "not a bitmap file (bad signature)");
  const std::uint32_t offBits = U32(d + 10);
  const std::uint32_t headerSize = U32(d + 14);
  switch (headerSize) {
    case 12: case 40: case 52: case 56: case 108: case 124: break;
    default: return Fail(error, "unsupported bitmap header size " + std::to_string(headerSize));
  }
  std::uint64_t headerEnd = kFileHeaderSize + headerSize;
  if (headerEnd > size) return Fail(error, "file too short for its " + std::to_string(headerSize) + "-byte header");

  const bool core = headerSize == kCoreHeaderSize;
  const std::uint8_t* h = d + kFileHeaderSize;
  std::int64_t width, height;
  std::uint32_t compression = kBiRgb, clrUsed = 0;
  int bpp;
  if (core) {
    width = U16(h + 4);
    height = U16(h + 6);
    bpp = U16(h + 10);
  } else {
    width = std::int32_t(U32(h + 4));
    height = std::int32_t(U32(h + 8));
    bpp = U16(h + 14);
    compression = U32(h + 16);
    clrUsed = U32(h + 32);
  }
  // The planes field is not checked: it carries no information and some writers leave it 0.

  if (width <= 0 || height == 0)
    return Fail(error, "bad bitmap size " + std::to_string(width) + "x" + std::to_string(height));
  const bool topDown = height < 0;
  if (topDown) height = -height;
  if (width > kMaxBmpDimension || height > kMaxBmpDimension ||
      std::uint64_t(width) * std::uint64_t(height) > kMaxBmpPixels)
    return Fail(error, "bitmap too large: " + std::to_string(width) + "x" + std::to_string(height));

  if (compression == kBiJpeg) return Fail(error, "JPEG-compressed bitmaps are not supported");
  if (compression == kBiPng) return Fail(error, "PNG-compressed bitmaps are not supported");
  if (compression > kBiAlphaBitfields) return Fail(error, "unsupported bitmap compression " + std::to_string(compression));
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
    return Fail(error, "unsupported bit count " + std::to_string(bpp));
  if (core && bpp > 8 && bpp != 24) return Fail(error, "unsupported bit count " + std::to_string(bpp) + " for a core header");
  const bool bitfields = compression == kBiBitfields || compression == kBiAlphaBitfields;
  if ((compression == kBiRle8 && bpp != 8) || (compression == kBiRle4 && bpp != 4) ||
      (bitfields && bpp != 16 && bpp != 32))
    return Fail(error, "compression " + std::to_string(compression) + " does not fit " + std::to_string(bpp) +
                           " bits per pixel");

  std::array<std::uint32_t, 3> masks{};
  if (bpp == 16) masks = {0x7C00, 0x03E0, 0x001F};
  if (bpp == 32) masks = {0xFF0000, 0xFF00, 0xFF};
  if (bitfields) {
    // Same place in the file either way: inside a V2+ header, or right after a 40-byte one.
    if (headerSize == kInfoHeaderSize) {
      headerEnd += compression == kBiAlphaBitfields ? 16 : 12;
      if (headerEnd > size) return Fail(error, "file too short for its colour masks");
    }
    for (int i = 0; i < 3; ++i) {
      masks[i] = U32(d + kFileHeaderSize + kInfoHeaderSize + 4 * i);
      if (bpp == 16) masks[i] &= 0xFFFF;
      if (masks[i] == 0) return Fail(error, "colour mask of zero");
    }
  }

  // Palette. The core header always stores 2^bpp entries; the others store
  // biClrUsed entries (0 meaning 2^bpp), which may be fewer.
  const std::uint64_t entrySize = core ? 3 : 4;
  const std::uint64_t maxEntries = bpp <= 8 ? (1u << bpp) : 0;
  const std::uint64_t stored = (bpp <= 8 && (core || clrUsed == 0)) ? maxEntries : clrUsed;
  const std::uint64_t paletteEnd = headerEnd + stored * entrySize;
  // bfOffBits when it is set and lies past the headers, otherwise right after the palette.
  const bool offsetGiven = offBits != 0 && offBits >= headerEnd;
  const std::uint64_t dataOffset = offsetGiven ? offBits : paletteEnd;

  Palette palette{};
  if (bpp <= 8) {
    std::uint64_t entries = std::min(stored, maxEntries);
    // Pixels that begin inside the declared palette cut it short.
    if (offsetGiven && dataOffset < headerEnd + entries * entrySize) entries = (dataOffset - headerEnd) / entrySize;
    if (headerEnd + entries * entrySize > size) return Fail(error, "palette past the end of the file");
    for (std::uint64_t i = 0; i < entries; ++i) std::memcpy(&palette[i * 3], d + headerEnd + i * entrySize, 3);
  }

  Layout layout{int(width), int(height), topDown, bpp, compression};
  if (compression == kBiRle8 || compression == kBiRle4) {
    if (dataOffset >= size) return Fail(error, "no pixel data");
    // Start with palette index 0 everywhere (see DecodeRle).
    Bitmap out(layout.width, layout.height, MakeColor(palette[2], palette[1], palette[0]));
    DecodeRle(layout, d + dataOffset, std::size_t(size - dataOffset), palette, out);
    return out;
  }

  const std::uint64_t rowBits = std::uint64_t(width) * std::uint64_t(bpp);
  const std::uint64_t rowBytes = (rowBits + 31) / 32 * 4;
  // Every pixel must be there; only the padding of the last row may be missing.
  const std::uint64_t needed = rowBytes * std::uint64_t(height - 1) + (rowBits + 7) / 8;
  if (dataOffset > size || size - dataOffset < needed)
    return Fail(error, "pixel data past the end of the file (" + std::to_string(needed) + " bytes needed)");
  Bitmap out(layout.width, layout.height, 0);
  DecodeRows(layout, d + dataOffset, rowBytes, palette, masks, out);
  return out;
}

std::vector<std::uint8_t> EncodeBmp(const Bitmap& bitmap) {
  const std::uint32_t imageSize = std::uint32_t(std::uint64_t(bitmap.Stride()) * std::uint64_t(bitmap.Height()));
  const std::uint32_t offBits = std::uint32_t(kFileHeaderSize) + kInfoHeaderSize;
  std::vector<std::uint8_t> out;
  out.reserve(offBits + imageSize);
  auto put16 = [&](std::uint32_t v) {
    out.push_back(std::uint8_t(v));
    out.push_back(std::uint8_t(v >> 8));
  };
  auto put32 = [&](std::uint32_t v) {
    put16(v & 0xFFFF);
    put16(v >> 16);
  };
  out.push_back('B');
  out.push_back('M');
  put32(offBits + imageSize);
  put32(0);  // reserved
  put32(offBits);
  put32(kInfoHeaderSize);
  put32(std::uint32_t(bitmap.Width()));
  put32(std::uint32_t(bitmap.Height()));  // positive: bottom-up
  put16(1);                               // planes
  put16(24);
  put32(kBiRgb);
  put32(imageSize);
  put32(0);  // horizontal resolution: unspecified
  put32(0);  // vertical resolution
  put32(0);  // colours used
  put32(0);  // colours important
  // The in-memory rows already have the file's byte order and padding.
  for (int y = bitmap.Height() - 1; y >= 0; --y)
    out.insert(out.end(), bitmap.Row(y), bitmap.Row(y) + bitmap.Stride());
  return out;
}

}  // namespace trv
