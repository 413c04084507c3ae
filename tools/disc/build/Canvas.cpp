#include "disc/build/Canvas.h"

#include <algorithm>
#include <cmath>

namespace trv::disc {
namespace {

constexpr int kSamples = 4;  // per axis

Paint Mix(Paint a, Paint b, double t) {
  t = std::clamp(t, 0.0, 1.0);
  auto lerp = [t](int x, int y) { return int(std::lround(x + (y - x) * t)); };
  return {MakeColor(std::uint8_t(lerp(RedOf(a.color), RedOf(b.color))),
                    std::uint8_t(lerp(GreenOf(a.color), GreenOf(b.color))),
                    std::uint8_t(lerp(BlueOf(a.color), BlueOf(b.color)))),
          lerp(a.alpha, b.alpha)};
}

bool InRoundRect(const Rect& r, double radius, double x, double y) {
  if (x < r.left || x >= r.right || y < r.top || y >= r.bottom) return false;
  radius = std::min({radius, r.Width() / 2.0, r.Height() / 2.0});
  if (radius <= 0) return true;
  const double cx = std::clamp(x, r.left + radius, r.right - radius);
  const double cy = std::clamp(y, r.top + radius, r.bottom - radius);
  return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
}

double DistanceToSegment(PointF p, PointF a, PointF b) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double len2 = dx * dx + dy * dy;
  double t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0;
  t = std::clamp(t, 0.0, 1.0);
  const double ex = a.x + t * dx - p.x, ey = a.y + t * dy - p.y;
  return std::sqrt(ex * ex + ey * ey);
}

Rect BoundsOf(double left, double top, double right, double bottom) {
  return {int(std::floor(left)), int(std::floor(top)), int(std::ceil(right)) + 1, int(std::ceil(bottom)) + 1};
}

}  // namespace

void Canvas::Blend(int x, int y, Paint paint, double coverage) {
  const double a = paint.alpha / 255.0 * coverage;
  if (a <= 0) return;
  std::uint8_t* p = target_.Row(y) + std::size_t(x) * 3;
  const int target[3] = {BlueOf(paint.color), GreenOf(paint.color), RedOf(paint.color)};
  for (int i = 0; i < 3; ++i) p[i] = std::uint8_t(std::lround(p[i] + (target[i] - p[i]) * a));
}

void Canvas::Cover(const Rect& box, const std::function<bool(double, double)>& inside,
                   const std::function<Paint(int, int)>& colourAt) {
  const Rect area = box.Intersect(target_.Bounds());
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x) {
      int hits = 0;
      for (int sy = 0; sy < kSamples; ++sy)
        for (int sx = 0; sx < kSamples; ++sx)
          hits += inside(x + (sx + 0.5) / kSamples, y + (sy + 0.5) / kSamples);
      if (hits) Blend(x, y, colourAt(x, y), double(hits) / (kSamples * kSamples));
    }
}

void Canvas::Fill(const Rect& r, Paint paint) {
  const Rect area = r.Intersect(target_.Bounds());
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x) Blend(x, y, paint, 1.0);
}

void Canvas::Gradient(const Rect& r, Paint from, Paint to, bool vertical) {
  const Rect area = r.Intersect(target_.Bounds());
  const double span = std::max(1, (vertical ? r.Height() : r.Width()) - 1);
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x)
      Blend(x, y, Mix(from, to, ((vertical ? y - r.top : x - r.left)) / span), 1.0);
}

void Canvas::Radial(const Rect& r, PointF centre, double radius, Paint inner, Paint outer) {
  const Rect area = r.Intersect(target_.Bounds());
  radius = std::max(radius, 1.0);
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x)
      Blend(x, y, Mix(inner, outer, std::hypot(x + 0.5 - centre.x, y + 0.5 - centre.y) / radius), 1.0);
}

void Canvas::RoundRect(const Rect& r, double radius, Paint paint) {
  Cover(r, [&](double x, double y) { return InRoundRect(r, radius, x, y); }, [&](int, int) { return paint; });
}

void Canvas::RoundRectGradient(const Rect& r, double radius, Paint top, Paint bottom) {
  const double span = std::max(1, r.Height() - 1);
  Cover(r, [&](double x, double y) { return InRoundRect(r, radius, x, y); },
        [&](int, int y) { return Mix(top, bottom, (y - r.top) / span); });
}

void Canvas::RoundFrame(const Rect& r, double radius, double width, Paint paint) {
  const int w = int(std::lround(width));
  const Rect inner{r.left + w, r.top + w, r.right - w, r.bottom - w};
  const double innerRadius = std::max(0.0, radius - width);
  Cover(r,
        [&](double x, double y) {
          return InRoundRect(r, radius, x, y) && (inner.Empty() || !InRoundRect(inner, innerRadius, x, y));
        },
        [&](int, int) { return paint; });
}

void Canvas::Ellipse(PointF c, double rx, double ry, Paint paint) {
  if (rx <= 0 || ry <= 0) return;
  Cover(BoundsOf(c.x - rx, c.y - ry, c.x + rx, c.y + ry),
        [&](double x, double y) {
          const double dx = (x - c.x) / rx, dy = (y - c.y) / ry;
          return dx * dx + dy * dy <= 1.0;
        },
        [&](int, int) { return paint; });
}

void Canvas::Ring(PointF c, double radius, double width, Paint paint) {
  const double inner = std::max(0.0, radius - width);
  Cover(BoundsOf(c.x - radius, c.y - radius, c.x + radius, c.y + radius),
        [&](double x, double y) {
          const double d2 = (x - c.x) * (x - c.x) + (y - c.y) * (y - c.y);
          return d2 <= radius * radius && d2 >= inner * inner;
        },
        [&](int, int) { return paint; });
}

void Canvas::Polygon(const std::vector<PointF>& points, Paint paint) {
  if (points.size() < 3) return;
  double left = points[0].x, right = left, top = points[0].y, bottom = top;
  for (const PointF& p : points) {
    left = std::min(left, p.x);
    right = std::max(right, p.x);
    top = std::min(top, p.y);
    bottom = std::max(bottom, p.y);
  }
  // Non-zero winding, as the system fills window shapes.
  auto inside = [&](double x, double y) {
    int winding = 0;
    for (std::size_t i = 0, j = points.size() - 1; i < points.size(); j = i++) {
      const PointF a = points[j], b = points[i];
      const double cross = (b.x - a.x) * (y - a.y) - (x - a.x) * (b.y - a.y);
      if (a.y <= y) {
        if (b.y > y && cross > 0) ++winding;
      } else if (b.y <= y && cross < 0) {
        --winding;
      }
    }
    return winding != 0;
  };
  Cover(BoundsOf(left, top, right, bottom), inside, [&](int, int) { return paint; });
}

void Canvas::Line(PointF a, PointF b, double width, Paint paint) {
  const double half = std::max(width, 0.5) / 2;
  Cover(BoundsOf(std::min(a.x, b.x) - half, std::min(a.y, b.y) - half, std::max(a.x, b.x) + half,
                 std::max(a.y, b.y) + half),
        [&](double x, double y) { return DistanceToSegment({x, y}, a, b) <= half; }, [&](int, int) { return paint; });
}

void Canvas::Bevel(const Rect& r, int depth, Paint light, Paint dark) {
  for (int i = 0; i < depth; ++i) {
    Fill({r.left + i, r.top + i, r.right - i, r.top + i + 1}, light);
    Fill({r.left + i, r.top + i + 1, r.left + i + 1, r.bottom - i}, light);
    Fill({r.left + i + 1, r.bottom - i - 1, r.right - i, r.bottom - i}, dark);
    Fill({r.right - i - 1, r.top + i + 1, r.right - i, r.bottom - i - 1}, dark);
  }
}

void Canvas::Grain(int amount, unsigned seed) {
  if (amount <= 0) return;
  std::uint32_t state = seed * 2654435761u + 1;
  for (int y = 0; y < target_.Height(); ++y) {
    std::uint8_t* row = target_.Row(y);
    for (int x = 0; x < target_.Width(); ++x) {
      state ^= state << 13;
      state ^= state >> 17;
      state ^= state << 5;
      // One change for the three bytes: grain in brightness, not in hue.
      const int delta = int(state % unsigned(2 * amount + 1)) - amount;
      for (int i = 0; i < 3; ++i) row[x * 3 + i] = std::uint8_t(std::clamp(row[x * 3 + i] + delta, 0, 255));
    }
  }
}

}  // namespace trv::disc
