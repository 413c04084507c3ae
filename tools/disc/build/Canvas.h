#pragma once

#include <functional>
#include <vector>

#include "platform/Bitmap.h"

namespace trv::disc {

// A colour with opacity (255 opaque), as recipes write it: #rrggbb or #rrggbbaa.
struct Paint {
  Color color = 0;
  int alpha = 255;
};

struct PointF {
  double x = 0;
  double y = 0;
};

// Anti-aliased drawing on a 24-bit picture: each shape is an inside test that
// is sampled 4×4 times per pixel on its edges, so edges get partial coverage.
class Canvas {
 public:
  explicit Canvas(Bitmap& target) : target_(target) {}

  void Fill(const Rect& r, Paint paint);
  // Linear gradient over the rectangle, top to bottom or left to right.
  void Gradient(const Rect& r, Paint from, Paint to, bool vertical);
  // Radial: `inner` at the centre to `outer` at the radius and beyond, in the rectangle.
  void Radial(const Rect& r, PointF centre, double radius, Paint inner, Paint outer);
  void RoundRect(const Rect& r, double radius, Paint paint);
  void RoundRectGradient(const Rect& r, double radius, Paint top, Paint bottom);
  void RoundFrame(const Rect& r, double radius, double width, Paint paint);
  void Ellipse(PointF centre, double rx, double ry, Paint paint);
  void Ring(PointF centre, double radius, double width, Paint paint);
  void Polygon(const std::vector<PointF>& points, Paint paint);
  void Line(PointF a, PointF b, double width, Paint paint);
  // A raised edge: light on the top and left, dark on the bottom and right.
  void Bevel(const Rect& r, int depth, Paint light, Paint dark);
  // Adds a deterministic grain of ±amount to every colour byte.
  void Grain(int amount, unsigned seed);

 private:
  // Covers the box with the shape `inside`, painting `colourAt(x, y)`.
  void Cover(const Rect& box, const std::function<bool(double, double)>& inside,
             const std::function<Paint(int, int)>& colourAt);
  void Blend(int x, int y, Paint paint, double coverage);

  Bitmap& target_;
};

}  // namespace trv::disc
