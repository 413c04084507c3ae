#pragma once

#include <cstdint>
#include <vector>

#include "platform/Geometry.h"

namespace trv {

// A 24-bit picture laid out like a Windows DIB row: blue, green, red bytes,
// each row padded to a multiple of four bytes. Rows are stored top-down.
class Bitmap {
 public:
  Bitmap() = default;
  Bitmap(int width, int height, Color fill = MakeColor(255, 255, 255));

  int Width() const { return width_; }
  int Height() const { return height_; }
  int Stride() const { return stride_; }
  bool Empty() const { return width_ <= 0 || height_ <= 0; }
  Rect Bounds() const { return {0, 0, width_, height_}; }

  std::uint8_t* Row(int y) { return data_.data() + std::size_t(y) * std::size_t(stride_); }
  const std::uint8_t* Row(int y) const { return data_.data() + std::size_t(y) * std::size_t(stride_); }
  std::uint8_t* Data() { return data_.data(); }
  const std::uint8_t* Data() const { return data_.data(); }
  std::size_t ByteSize() const { return data_.size(); }

  // Out-of-range reads give 0, writes are ignored.
  Color Pixel(int x, int y) const;
  void SetPixel(int x, int y, Color c);

  // Reallocates; the content becomes `fill`.
  void Resize(int width, int height, Color fill = MakeColor(255, 255, 255));
  void Fill(const Rect& r, Color c);

  // Copies `srcRect` of `src` to (dx, dy), clipped against both pictures.
  void Blit(int dx, int dy, const Bitmap& src, const Rect& srcRect);
  void Blit(int dx, int dy, const Bitmap& src) { Blit(dx, dy, src, src.Bounds()); }

  friend bool operator==(const Bitmap&, const Bitmap&) = default;

 private:
  int width_ = 0;
  int height_ = 0;
  int stride_ = 0;
  std::vector<std::uint8_t> data_;
};

}  // namespace trv
