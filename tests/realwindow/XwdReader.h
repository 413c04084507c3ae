#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Geometry.h"

namespace trv {

// A screenshot written by `xwd -root` (X Window Dump, version 7, Z pixmap):
// enough to read back the colour of a pixel.
class XwdImage {
 public:
  static std::optional<XwdImage> Load(const std::string& path, std::string* error);
  static std::optional<XwdImage> Parse(std::vector<std::uint8_t> bytes, std::string* error);

  int Width() const { return width_; }
  int Height() const { return height_; }
  std::optional<Color> Pixel(int x, int y) const;

 private:
  std::vector<std::uint8_t> bytes_;
  std::size_t dataOffset_ = 0;
  int width_ = 0, height_ = 0;
  int bitsPerPixel_ = 0;
  std::uint32_t bytesPerLine_ = 0;
  bool msbFirst_ = false;
  std::uint32_t masks_[3] = {0, 0, 0};
};

}  // namespace trv
