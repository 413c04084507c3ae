#include "XwdReader.h"

#include <fstream>
#include <iterator>

namespace trv {
namespace {

constexpr std::size_t kHeaderFields = 25;
constexpr std::size_t kColorSize = 12;  // pixel, red, green, blue, flags, pad
constexpr std::uint64_t kMaxFile = 256ull * 1024 * 1024;

std::uint32_t Be32(const std::uint8_t* p) {
  return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

// Scales the bits of `mask` in `value` to 0..255.
int Channel(std::uint32_t value, std::uint32_t mask) {
  if (!mask) return 0;
  int shift = 0;
  while (!((mask >> shift) & 1)) ++shift;
  const std::uint32_t max = mask >> shift;
  return int(((value & mask) >> shift) * 255 / max);
}

}  // namespace

std::optional<XwdImage> XwdImage::Load(const std::string& path, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = "cannot open";
    return std::nullopt;
  }
  in.seekg(0, std::ios::end);
  const auto size = std::uint64_t(in.tellg());
  if (size > kMaxFile) {
    *error = "too large";
    return std::nullopt;
  }
  in.seekg(0);
  std::vector<std::uint8_t> bytes(size);
  in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(size));
  return Parse(std::move(bytes), error);
}

std::optional<XwdImage> XwdImage::Parse(std::vector<std::uint8_t> bytes, std::string* error) {
  if (bytes.size() < kHeaderFields * 4) {
    *error = "short header";
    return std::nullopt;
  }
  // The header is written in network byte order.
  std::uint32_t h[kHeaderFields];
  for (std::size_t i = 0; i < kHeaderFields; ++i) h[i] = Be32(&bytes[i * 4]);
  const std::uint32_t headerSize = h[0], version = h[1], format = h[2], width = h[4], height = h[5],
                      byteOrder = h[7], bitsPerPixel = h[11], bytesPerLine = h[12], colors = h[19];
  if (version != 7 || format != 2) {
    *error = "not a version 7 Z pixmap dump";
    return std::nullopt;
  }
  if (bitsPerPixel != 32 && bitsPerPixel != 24 && bitsPerPixel != 16) {
    *error = "unsupported pixel size";
    return std::nullopt;
  }
  const std::uint64_t data = std::uint64_t(headerSize) + std::uint64_t(colors) * kColorSize;
  const std::uint64_t need = data + std::uint64_t(bytesPerLine) * height;
  if (headerSize < kHeaderFields * 4 || width == 0 || height == 0 || width > 65535 || height > 65535 ||
      std::uint64_t(bytesPerLine) < std::uint64_t(width) * bitsPerPixel / 8 || need > bytes.size()) {
    *error = "inconsistent sizes";
    return std::nullopt;
  }
  XwdImage img;
  img.bytes_ = std::move(bytes);
  img.dataOffset_ = std::size_t(data);
  img.width_ = int(width);
  img.height_ = int(height);
  img.bitsPerPixel_ = int(bitsPerPixel);
  img.bytesPerLine_ = bytesPerLine;
  img.msbFirst_ = byteOrder == 1;
  img.masks_[0] = h[14];
  img.masks_[1] = h[15];
  img.masks_[2] = h[16];
  return img;
}

std::optional<Color> XwdImage::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return std::nullopt;
  const int n = bitsPerPixel_ / 8;
  const std::uint8_t* p = bytes_.data() + dataOffset_ + std::size_t(y) * bytesPerLine_ + std::size_t(x) * n;
  std::uint32_t v = 0;
  for (int i = 0; i < n; ++i) {
    const std::uint32_t b = p[i];
    v |= msbFirst_ ? b << (8 * (n - 1 - i)) : b << (8 * i);
  }
  return MakeColor(std::uint8_t(Channel(v, masks_[0])), std::uint8_t(Channel(v, masks_[1])),
                   std::uint8_t(Channel(v, masks_[2])));
}

}  // namespace trv
