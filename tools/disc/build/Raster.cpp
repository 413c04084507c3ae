#include "disc/build/Raster.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace trv::disc::raster {

Rgb Lerp(Rgb a, Rgb b, float t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }

Rgb FromColor(Color c) { return {RedOf(c) / 255.f, GreenOf(c) / 255.f, BlueOf(c) / 255.f}; }

Rgb Sample(const std::vector<Stop>& stops, float t) {
  if (stops.empty()) return {};
  if (t <= stops.front().at) return stops.front().color;
  for (std::size_t i = 1; i < stops.size(); ++i)
    if (t <= stops[i].at) {
      const float span = stops[i].at - stops[i - 1].at;
      return span > 0 ? Lerp(stops[i - 1].color, stops[i].color, (t - stops[i - 1].at) / span) : stops[i].color;
    }
  return stops.back().color;
}

float Mask::Bilinear(double x, double y) const {
  x -= 0.5;
  y -= 0.5;
  const double fx = std::floor(x), fy = std::floor(y);
  const int x0 = int(fx), y0 = int(fy);
  const float tx = float(x - fx), ty = float(y - fy);
  const float a = At(x0, y0), b = At(x0 + 1, y0), c = At(x0, y0 + 1), d = At(x0 + 1, y0 + 1);
  return (a + (b - a) * tx) * (1 - ty) + (c + (d - c) * tx) * ty;
}

Vec2 Polar(double cx, double cy, double radius, double turns) {
  const double a = turns * 2 * std::numbers::pi;
  return {cx + radius * std::sin(a), cy - radius * std::cos(a)};
}

Mask CircleMask(int width, int height, double cx, double cy, double radius) {
  Mask m(width, height);
  const int y0 = std::max(0, int(std::floor(cy - radius - 1))), y1 = std::min(height, int(std::ceil(cy + radius + 1)));
  const int x0 = std::max(0, int(std::floor(cx - radius - 1))), x1 = std::min(width, int(std::ceil(cx + radius + 1)));
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) {
      const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
      m(x, y) = float(std::clamp(radius - d + 0.5, 0.0, 1.0));
    }
  return m;
}

Mask RingMask(int width, int height, double cx, double cy, double inner, double outer) {
  Mask m = CircleMask(width, height, cx, cy, outer);
  if (inner > 0) m = Subtract(m, CircleMask(width, height, cx, cy, inner));
  return m;
}

namespace {

// Exact-area scan conversion: each edge deposits, per row, the signed area it
// leaves to its right; a running sum along the row gives the coverage.
class Accumulator {
 public:
  Accumulator(int width, int height)
      : width_(width), height_(height), stride_(width + 2), acc_(std::size_t(stride_) * std::max(height, 0), 0.f) {}

  void Line(Vec2 p0, Vec2 p1) {
    if (p0.y == p1.y) return;
    float dir = 1.f;
    if (p0.y > p1.y) {
      std::swap(p0, p1);
      dir = -1.f;
    }
    const double dxdy = (p1.x - p0.x) / (p1.y - p0.y);
    const int yStart = std::max(0, int(std::floor(p0.y)));
    const int yEnd = std::min(height_, int(std::ceil(p1.y)));
    for (int y = yStart; y < yEnd; ++y) {
      const double top = std::max(double(y), p0.y), bottom = std::min(double(y + 1), p1.y);
      const double dy = bottom - top;
      if (dy <= 0) continue;
      // Outside the picture on the left or right the edge still counts: its
      // x is pinned to the border so the rows keep their winding.
      const double xa = std::clamp(p0.x + (top - p0.y) * dxdy, 0.0, double(width_));
      const double xb = std::clamp(p0.x + (bottom - p0.y) * dxdy, 0.0, double(width_));
      Deposit(y, std::min(xa, xb), std::max(xa, xb), float(dy) * dir);
    }
  }

  Mask Resolve() const {
    Mask m(width_, height_);
    for (int y = 0; y < height_; ++y) {
      const float* row = acc_.data() + std::size_t(y) * stride_;
      float sum = 0;
      for (int x = 0; x < width_; ++x) {
        sum += row[x];
        m(x, y) = std::min(1.f, std::fabs(sum));
      }
    }
    return m;
  }

 private:
  void Deposit(int y, double x0, double x1, float d) {
    float* row = acc_.data() + std::size_t(y) * stride_;
    const int i0 = int(std::floor(x0));
    const int i1 = int(std::ceil(x1));
    if (i1 <= i0 + 1) {
      // Within one pixel column: the share right of the mean x goes on.
      const double xm = 0.5 * (x0 + x1) - i0;
      row[i0] += float(d * (1 - xm));
      row[i0 + 1] += float(d * xm);
      return;
    }
    const double s = 1.0 / (x1 - x0);
    const double f0 = x0 - i0;
    const double a0 = 0.5 * s * (1 - f0) * (1 - f0);
    const double f1 = x1 - i1 + 1;
    const double am = 0.5 * s * f1 * f1;
    row[i0] += float(d * a0);
    if (i1 == i0 + 2) {
      row[i0 + 1] += float(d * (1 - a0 - am));
    } else {
      const double a1 = s * (1.5 - f0);
      row[i0 + 1] += float(d * (a1 - a0));
      for (int i = i0 + 2; i < i1 - 1; ++i) row[i] += float(d * s);
      const double a2 = a1 + (i1 - i0 - 3) * s;
      row[i1 - 1] += float(d * (1 - a2 - am));
    }
    row[i1] += float(d * am);
  }

  int width_, height_, stride_;
  std::vector<float> acc_;
};

}  // namespace

Mask PolygonMask(int width, int height, const std::vector<Vec2>& points) {
  Accumulator acc(width, height);
  for (std::size_t i = 0; i < points.size(); ++i) acc.Line(points[i], points[(i + 1) % points.size()]);
  return acc.Resolve();
}

Mask WedgeMask(int width, int height, double cx, double cy, double inner, double outer, double fromTurns,
               double toTurns) {
  std::vector<Vec2> pts;
  const double span = toTurns - fromTurns;
  const int steps = std::max(2, int(std::ceil(std::fabs(span) * 360)));  // one vertex per degree
  for (int i = 0; i <= steps; ++i) pts.push_back(Polar(cx, cy, outer, fromTurns + span * i / steps));
  if (inner > 0)
    for (int i = steps; i >= 0; --i) pts.push_back(Polar(cx, cy, inner, fromTurns + span * i / steps));
  else
    pts.push_back({cx, cy});
  return PolygonMask(width, height, pts);
}

Mask Multiply(const Mask& a, const Mask& b) {
  Mask m = a;
  for (std::size_t i = 0; i < m.Data().size() && i < b.Data().size(); ++i) m.Data()[i] *= b.Data()[i];
  return m;
}

Mask Max(const Mask& a, const Mask& b) {
  Mask m = a;
  for (std::size_t i = 0; i < m.Data().size() && i < b.Data().size(); ++i)
    m.Data()[i] = std::max(m.Data()[i], b.Data()[i]);
  return m;
}

Mask Subtract(const Mask& a, const Mask& b) {
  Mask m = a;
  for (std::size_t i = 0; i < m.Data().size() && i < b.Data().size(); ++i)
    m.Data()[i] = std::max(0.f, m.Data()[i] - b.Data()[i]);
  return m;
}

Mask Shifted(const Mask& m, int dx, int dy) {
  Mask out(m.Width(), m.Height());
  for (int y = 0; y < m.Height(); ++y)
    for (int x = 0; x < m.Width(); ++x) out(x, y) = m.At(x - dx, y - dy);
  return out;
}

namespace {

// One box pass along rows (step 1) or columns (step width), zero outside.
void BoxPass(std::vector<float>& data, int count, int lines, std::size_t step, std::size_t lineStep, int radius) {
  std::vector<float> line(std::size_t(count) + 1);
  const float scale = 1.f / float(2 * radius + 1);
  for (int l = 0; l < lines; ++l) {
    float* base = data.data() + std::size_t(l) * lineStep;
    line[0] = 0;
    for (int i = 0; i < count; ++i) line[std::size_t(i) + 1] = line[std::size_t(i)] + base[std::size_t(i) * step];
    for (int i = 0; i < count; ++i) {
      const int lo = std::max(0, i - radius), hi = std::min(count, i + radius + 1);
      base[std::size_t(i) * step] = (line[std::size_t(hi)] - line[std::size_t(lo)]) * scale;
    }
  }
}

}  // namespace

void Blur(Mask& m, int radius) {
  if (radius <= 0 || m.Width() == 0 || m.Height() == 0) return;
  for (int pass = 0; pass < 3; ++pass) {
    BoxPass(m.Data(), m.Width(), m.Height(), 1, std::size_t(m.Width()), radius);
    BoxPass(m.Data(), m.Height(), m.Width(), std::size_t(m.Width()), 1, radius);
  }
}

Mask TextMask(int width, int height, const Font* font, Rect rect, const std::string& text, unsigned flags) {
  Mask m(width, height);
  if (!font || width <= 0 || height <= 0) return m;
  Bitmap ink(width, height, MakeColor(0, 0, 0));
  font->DrawText(ink, rect, text, flags, MakeColor(255, 255, 255));
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* row = ink.Row(y);
    for (int x = 0; x < width; ++x) m(x, y) = row[std::size_t(x) * 3 + 1] / 255.f;
  }
  return m;
}

void Fill(Image& img, const Mask& m, Rgb color, float opacity) {
  for (int y = 0; y < img.Height(); ++y)
    for (int x = 0; x < img.Width(); ++x) {
      const float a = std::min(1.f, m.At(x, y) * opacity);
      if (a > 0) img(x, y) = Lerp(img(x, y), color, a);
    }
}

void AddLight(Image& img, const Mask& m, Rgb color, float gain) {
  for (int y = 0; y < img.Height(); ++y)
    for (int x = 0; x < img.Width(); ++x) {
      const float a = m.At(x, y) * gain;
      if (a > 0) img(x, y) = img(x, y) + color * a;
    }
}

void Shade(Image& img, const Mask& m, float strength) {
  for (int y = 0; y < img.Height(); ++y)
    for (int x = 0; x < img.Width(); ++x) {
      const float a = std::clamp(m.At(x, y) * strength, 0.f, 1.f);
      if (a > 0) img(x, y) = img(x, y) * (1 - a);
    }
}

void RadialGradient(Image& img, double cx, double cy, double radius, const std::vector<Stop>& stops) {
  for (int y = 0; y < img.Height(); ++y)
    for (int x = 0; x < img.Width(); ++x)
      img(x, y) = Sample(stops, float(std::hypot(x + 0.5 - cx, y + 0.5 - cy) / radius));
}

Bitmap ToBitmap(const Image& img) {
  Bitmap out(img.Width(), img.Height(), MakeColor(0, 0, 0));
  auto byte = [](float v) { return std::uint8_t(std::lround(std::clamp(v, 0.f, 1.f) * 255.f)); };
  for (int y = 0; y < img.Height(); ++y) {
    std::uint8_t* row = out.Row(y);
    for (int x = 0; x < img.Width(); ++x) {
      const Rgb& p = img(x, y);
      row[std::size_t(x) * 3 + 0] = byte(p.b);
      row[std::size_t(x) * 3 + 1] = byte(p.g);
      row[std::size_t(x) * 3 + 2] = byte(p.r);
    }
  }
  return out;
}

}  // namespace trv::disc::raster
