#pragma once

#include "platform/Bitmap.h"

namespace trv {

// A 24-bit pixel buffer of the effects: blue, green, red bytes, rows padded to
// a multiple of four bytes.
class TFastBMP {
 public:
  int Width() const { return bits_.Width(); }
  int Height() const { return bits_.Height(); }
  int RowSize() const { return (Width() * 24 + 31) / 32 * 4; }
  int RowGap() const { return Width() % 4; }
  int Size() const { return RowSize() * Height(); }

  // Nothing happens when the size is unchanged.
  void SetSize(int width, int height);
  void LoadFromBitmap(const Bitmap& bitmap) { bits_ = bitmap; }
  void CopyFrom(const TFastBMP& other) { bits_ = other.bits_; }
  // The whole buffer at (x, y), unscaled, clipped to the target.
  void Draw(Bitmap& target, int x, int y) const { target.Blit(x, y, bits_); }
  void Free() { bits_ = Bitmap(); }

  Bitmap& Bits() { return bits_; }
  const Bitmap& Bits() const { return bits_; }

 private:
  Bitmap bits_;
};

}  // namespace trv
