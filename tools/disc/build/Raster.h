#pragma once

#include <string>
#include <vector>

#include "platform/Bitmap.h"
#include "platform/Graphics.h"

// Floating-point drawing for the clips: coverage masks with exact-area
// anti-aliasing, gradients, blurs and compositing, converted to a 24-bit
// picture only at the end so that many layers do not add up rounding.
namespace trv::disc::raster {

struct Rgb {
  float r = 0, g = 0, b = 0;
};
inline Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Rgb operator*(Rgb a, float k) { return {a.r * k, a.g * k, a.b * k}; }
inline Rgb operator*(Rgb a, Rgb b) { return {a.r * b.r, a.g * b.g, a.b * b.b}; }
Rgb Lerp(Rgb a, Rgb b, float t);
Rgb FromColor(Color c);  // 0..1 per channel

struct Vec2 {
  double x = 0, y = 0;
};

// A gradient as colours at positions 0..1 (sorted); positions outside clamp.
struct Stop {
  float at = 0;
  Rgb color;
};
Rgb Sample(const std::vector<Stop>& stops, float t);

// Per-pixel coverage (or opacity) 0..1.
class Mask {
 public:
  Mask() = default;
  Mask(int width, int height) : width_(width), height_(height), a_(std::size_t(width) * height, 0.f) {}
  int Width() const { return width_; }
  int Height() const { return height_; }
  float At(int x, int y) const {
    return (x < 0 || y < 0 || x >= width_ || y >= height_) ? 0.f : a_[std::size_t(y) * width_ + x];
  }
  float& operator()(int x, int y) { return a_[std::size_t(y) * width_ + x]; }
  float operator()(int x, int y) const { return a_[std::size_t(y) * width_ + x]; }
  // Bilinear, with zero outside.
  float Bilinear(double x, double y) const;
  std::vector<float>& Data() { return a_; }
  const std::vector<float>& Data() const { return a_; }

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<float> a_;
};

// Shapes, each returned as its own mask of the given size. Circles use the
// distance to the edge (exact to a fraction of a pixel for radii above one),
// polygons the exact covered area of every pixel (non-zero winding for the
// usual simple outlines).
Mask CircleMask(int width, int height, double cx, double cy, double radius);
Mask RingMask(int width, int height, double cx, double cy, double inner, double outer);
Mask PolygonMask(int width, int height, const std::vector<Vec2>& points);
// A wedge of the ring between two angles in turns, clockwise from straight up.
Mask WedgeMask(int width, int height, double cx, double cy, double inner, double outer, double fromTurns,
               double toTurns);
// Point at `radius` and `turns` (clockwise from up) around (cx, cy).
Vec2 Polar(double cx, double cy, double radius, double turns);

// Combining masks: intersection (product), union (max), a minus b.
Mask Multiply(const Mask& a, const Mask& b);
Mask Max(const Mask& a, const Mask& b);
Mask Subtract(const Mask& a, const Mask& b);
Mask Shifted(const Mask& m, int dx, int dy);
// Three box passes of the given radius: close to a Gaussian of sigma ~ radius.
void Blur(Mask& m, int radius);

// The coverage of `text` (CP1251) drawn by `font` inside `rect` with the
// layout flags of Font::DrawText; an empty mask when `font` is null.
Mask TextMask(int width, int height, const Font* font, Rect rect, const std::string& text, unsigned flags);

// RGB picture, values nominally 0..1 (additive light may exceed 1 until the end).
class Image {
 public:
  Image() = default;
  Image(int width, int height, Rgb fill = {}) : width_(width), height_(height), px_(std::size_t(width) * height, fill) {}
  int Width() const { return width_; }
  int Height() const { return height_; }
  Rgb& operator()(int x, int y) { return px_[std::size_t(y) * width_ + x]; }
  const Rgb& operator()(int x, int y) const { return px_[std::size_t(y) * width_ + x]; }
  std::vector<Rgb>& Data() { return px_; }
  const std::vector<Rgb>& Data() const { return px_; }

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<Rgb> px_;
};

// Paints `color` through the mask (times `opacity`).
void Fill(Image& img, const Mask& m, Rgb color, float opacity = 1.f);
// Paints a colour chosen per pixel through the mask.
template <class Shader>
void FillWith(Image& img, const Mask& m, Shader shader, float opacity = 1.f) {
  for (int y = 0; y < img.Height(); ++y)
    for (int x = 0; x < img.Width(); ++x) {
      const float a = m(x, y) * opacity;
      if (a <= 0.f) continue;
      Rgb& p = img(x, y);
      p = Lerp(p, shader(x + 0.5, y + 0.5), a > 1.f ? 1.f : a);
    }
}
// Adds light (glow): p += color * mask * gain.
void AddLight(Image& img, const Mask& m, Rgb color, float gain = 1.f);
// Darkens: p *= 1 - mask * strength.
void Shade(Image& img, const Mask& m, float strength);
// Radial gradient over the whole picture, t = distance / radius.
void RadialGradient(Image& img, double cx, double cy, double radius, const std::vector<Stop>& stops);

// To the 24-bit picture, clamped and rounded.
Bitmap ToBitmap(const Image& img);

}  // namespace trv::disc::raster
