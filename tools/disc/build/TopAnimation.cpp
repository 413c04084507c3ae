#include "disc/build/TopAnimation.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "disc/build/Raster.h"

namespace trv::disc {
namespace {

using raster::Image;
using raster::Mask;
using raster::Rgb;
using raster::Vec2;

constexpr int kOrder[kTableSectors + 1] = {0, 10, 3, 14, 7, 12, 5, 9, 2, 8, 1, 11, 4, 6, 13};
constexpr double kTwoPi = 2 * std::numbers::pi;

double Frac(double v) { return v - std::floor(v); }

// Radii for a table of radius 113 (a 232-pixel-high frame); scaled with the frame.
constexpr double kRefRadius = 113;
constexpr double kRimInner = 102;
constexpr double kSectorOuter = 101;
constexpr double kSectorInner = 61;
constexpr double kNumberRadius = 83;
constexpr double kBodyRadius = 34;
constexpr double kPointerTip = 73;

// Light from the upper left, towards the viewer.
struct Light {
  double x = -0.46, y = -0.64, z = 0.61;
};
constexpr Light kLight;

double Dot(double ax, double ay, double az, Light l) { return ax * l.x + ay * l.y + az * l.z; }

// A Blinn highlight of a surface normal for a viewer straight above.
double Highlight(double nx, double ny, double nz, double power) {
  double hx = kLight.x, hy = kLight.y, hz = kLight.z + 1;
  const double hl = std::sqrt(hx * hx + hy * hy + hz * hz);
  hx /= hl, hy /= hl, hz /= hl;
  return std::pow(std::max(0.0, nx * hx + ny * hy + nz * hz), power);
}

// A rounded metal band around (cx, cy) between two radii: its normal tilts
// inwards on the inner half and outwards on the outer one.
Rgb BandShade(Rgb base, double dx, double dy, double inner, double outer) {
  const double r = std::max(1e-6, std::hypot(dx, dy));
  const double t = std::clamp((r - inner) / (outer - inner), 0.0, 1.0);
  const double slope = -1.6 * std::cos(std::numbers::pi * t);  // d height / d radius, scaled
  double nx = -slope * dx / r, ny = -slope * dy / r, nz = 1;
  const double nl = std::sqrt(nx * nx + ny * ny + nz * nz);
  nx /= nl, ny /= nl, nz /= nl;
  const double diffuse = std::max(0.0, Dot(nx, ny, nz, kLight));
  const double shine = Highlight(nx, ny, nz, 24);
  Rgb c = base * float(0.28 + 0.95 * diffuse);
  return c + Rgb{1.f, 0.95f, 0.8f} * float(0.55 * shine);
}

// The rotating part of the top in its own frame: colour (premultiplied),
// opacity and how much of it is metal (premultiplied).
struct Layer {
  Image colour;
  Mask alpha;
  Mask metal;
  Layer(int w, int h) : colour(w, h), alpha(w, h), metal(w, h) {}
  template <class Shader>
  void Paint(const Mask& m, Shader shader, float metalness) {
    for (int y = 0; y < alpha.Height(); ++y)
      for (int x = 0; x < alpha.Width(); ++x) {
        const float c = std::min(1.f, m(x, y));
        if (c <= 0) continue;
        colour(x, y) = colour(x, y) * (1 - c) + shader(x + 0.5, y + 0.5) * c;
        alpha(x, y) = alpha(x, y) * (1 - c) + c;
        metal(x, y) = metal(x, y) * (1 - c) + metalness * c;
      }
  }
};

constexpr int kChannels = 5;  // r, g, b, alpha, metal

}  // namespace

int PositionOfSector(int sector) { return sector >= 1 && sector <= kTableSectors ? kOrder[sector] : 0; }

int SectorAtPosition(int position) {
  for (int s = 1; s <= kTableSectors; ++s)
    if (kOrder[s] == position) return s;
  return 0;
}

double PositionAngle(int position) { return Frac(-double(position - 1) / kTableSectors); }

int PositionAtAngle(double turns) {
  const long step = std::lround(Frac(turns) * kTableSectors) % kTableSectors;  // 0..13 clockwise from up
  return int((kTableSectors - step) % kTableSectors) + 1;
}

namespace {

double SteadySpeed(const SpinPlan& plan) { return plan.speed + 1 / kFramesPerTurn; }

// The exponent of the slowing down that the whole turns of the plan allow.
double ExactSlowdown(const SpinPlan& plan) {
  const double speed = SteadySpeed(plan);
  const double left = SpinTurns(plan) - speed * kSteadyFrames;
  return left > 0 ? speed * (plan.stopFrame - kSteadyFrames) / left : 0;
}

}  // namespace

int SpinTurns(const SpinPlan& plan) {
  const double speed = SteadySpeed(plan);
  const double slowdown = std::max(plan.slowdown, 1.0);
  return int(std::lround(speed * kSteadyFrames + speed * (plan.stopFrame - kSteadyFrames) / (slowdown + 1)));
}

std::string CheckSpinPlan(const SpinPlan& plan) {
  if (plan.frames < kSteadyFrames + 2 || plan.frames > 3000)
    return "frames must be " + std::to_string(kSteadyFrames + 2) + " to 3000";
  if (plan.stopFrame < kSteadyFrames + 10 || plan.stopFrame >= plan.frames)
    return "the stop frame must be " + std::to_string(kSteadyFrames + 10) + " to frames - 1";
  if (plan.speed < 0 || plan.speed > 4) return "the speed must be 0 to 4 whole turns per frame";
  if (!(plan.slowdown >= 1 && plan.slowdown <= 6)) return "the slowdown must be 1 to 6";
  if (!(plan.shutter >= 0 && plan.shutter <= 4)) return "the shutter must be 0 to 4 frames";
  const double exact = ExactSlowdown(plan) - 1;
  if (!(exact >= 0.5 && exact <= 7))
    return "the top cannot stop on whole turns with this speed, slowdown and stop frame: give the slowing down more frames";
  return {};
}

double PointerAngle(const SpinPlan& plan, int sector, double frame) {
  const int position = PositionOfSector(sector) ? PositionOfSector(sector) : 1;
  const double end = PositionAngle(position);
  const double speed = SteadySpeed(plan);
  const int turns = SpinTurns(plan);
  const double start = end - turns;
  if (frame <= kSteadyFrames || plan.stopFrame <= kSteadyFrames) return start + speed * frame;
  if (frame >= plan.stopFrame) return end;
  // Speed falls from `speed` to zero as (1 - u)^(e - 1), where e makes the
  // distance over the remaining frames come out at whole turns.
  const double span = plan.stopFrame - kSteadyFrames;
  const double left = turns - speed * kSteadyFrames;
  const double e = speed * span / left;
  const double u = (frame - kSteadyFrames) / span;
  return start + speed * kSteadyFrames + left * (1 - std::pow(1 - u, e));
}

struct TableRenderer::Impl {
  TableLook look;
  int w = 0, h = 0;
  double cx = 0, cy = 0, k = 1;  // centre and scale against kRefRadius
  Image table;

  // Polar prefix sums of the rotating layer: row i at radius i * rowStep,
  // column j the integral over local angles [0, j / columns) turns.
  int rows = 0;
  int columns = 2048;
  double rowStep = 0.5;
  std::vector<double> prefix;  // rows x (columns + 1) x kChannels

  Mask knobShadow;
  Image knobColour;
  Mask knobAlpha;

  double R(double ref) const { return ref * k; }

  void DrawTable(FontEngine* fonts, std::string* error, bool* ok);
  void BuildTop();
  // Average of the layer over local angles [u0, u1) (texel units) on a row.
  void RowAverage(int row, double u0, double u1, double out[kChannels]) const;
  Bitmap Render(double from, double to, bool withTop) const;
};

void TableRenderer::Impl::DrawTable(FontEngine* fonts, std::string* error, bool* ok) {
  const Rgb inner = raster::FromColor(look.backgroundInner), outer = raster::FromColor(look.backgroundOuter);
  table = Image(w, h);
  raster::RadialGradient(table, cx, cy, std::hypot(cx, cy) * 1.05,
                         {{0.f, inner}, {0.45f, raster::Lerp(inner, outer, 0.35f)}, {1.f, outer}});

  // Soft shadow of the table on what it stands on.
  Mask shadow = raster::CircleMask(w, h, cx + R(2), cy + R(6), R(kRefRadius + 1));
  raster::Blur(shadow, int(std::lround(R(5))));
  raster::Shade(table, shadow, 0.75f);

  // Outer rim: a rounded band of polished metal.
  const Rgb rim = raster::FromColor(look.rim);
  const double rimIn = R(kRimInner), rimOut = R(kRefRadius);
  raster::FillWith(table, raster::RingMask(w, h, cx, cy, rimIn - 0.6, rimOut), [&](double x, double y) {
    return BandShade(rim, x - cx, y - cy, rimIn - 0.6, rimOut);
  });
  // Dark edge lines on both sides of the rim.
  raster::Fill(table, raster::RingMask(w, h, cx, cy, rimOut - 0.9, rimOut + 0.3), {0.12f, 0.07f, 0.02f}, 0.8f);

  // Sectors.
  const Rgb odd = raster::FromColor(look.sectorOdd), even = raster::FromColor(look.sectorEven);
  const double sIn = R(kSectorInner), sOut = R(kSectorOuter);
  for (int p = 1; p <= kTableSectors; ++p) {
    const double c = PositionAngle(p);
    const Mask wedge = raster::WedgeMask(w, h, cx, cy, sIn - 0.5, sOut + 0.5, c - 0.5 / kTableSectors,
                                         c + 0.5 / kTableSectors);
    const Rgb base = (p % 2) ? odd : even;
    raster::FillWith(table, wedge, [&](double x, double y) {
      const double dx = x - cx, dy = y - cy;
      const double r = std::hypot(dx, dy);
      const double t = std::clamp((r - sIn) / (sOut - sIn), 0.0, 1.0);
      // Lighter in the middle of the band, a touch of the room's light from the upper left.
      const double glow = 0.72 + 0.4 * std::sin(std::numbers::pi * (0.15 + 0.75 * t));
      const double side = 1 + 0.18 * (dx * kLight.x + dy * kLight.y) / std::max(r, 1.0);
      return base * float(glow * side);
    });
  }
  // Shadow the rim casts on the sectors, and a thin dark line under the rim.
  {
    Mask lip = raster::RingMask(w, h, cx, cy, sOut - R(3), sOut + 1);
    raster::Blur(lip, int(std::lround(R(2))));
    raster::Shade(table, lip, 0.45f);
  }
  // Gold separators between the sectors.
  const Rgb gold = rim * 1.1f;
  for (int p = 1; p <= kTableSectors; ++p) {
    const double b = PositionAngle(p) + 0.5 / kTableSectors;
    const double half = 0.75 * k;
    const Vec2 a0 = raster::Polar(cx, cy, sIn, b), a1 = raster::Polar(cx, cy, sOut, b);
    const double nx = std::cos(b * kTwoPi) * half, ny = std::sin(b * kTwoPi) * half;
    const Mask line =
        raster::PolygonMask(w, h, {{a0.x - nx, a0.y - ny}, {a1.x - nx, a1.y - ny}, {a1.x + nx, a1.y + ny}, {a0.x + nx, a0.y + ny}});
    raster::Fill(table, raster::Shifted(line, 1, 1), {0, 0, 0}, 0.35f);
    raster::FillWith(table, line, [&](double x, double y) { return BandShade(gold, x - cx, y - cy, sIn, sOut); });
  }
  // Studs on the rim where the separators meet it.
  for (int p = 1; p <= kTableSectors; ++p) {
    const double b = PositionAngle(p) + 0.5 / kTableSectors;
    const Vec2 s = raster::Polar(cx, cy, (rimIn + rimOut) / 2, b);
    const double rs = R(2.6);
    raster::Fill(table, raster::CircleMask(w, h, s.x + 0.8, s.y + 1.0, rs), {0, 0, 0}, 0.45f);
    raster::FillWith(table, raster::CircleMask(w, h, s.x, s.y, rs), [&](double x, double y) {
      const double dx = (x - s.x) / rs, dy = (y - s.y) / rs;
      const double nz = std::sqrt(std::max(0.0, 1 - dx * dx - dy * dy));
      const double d = std::max(0.0, Dot(dx, dy, nz, kLight));
      return rim * float(0.3 + 0.9 * d) + Rgb{1, 1, 0.9f} * float(0.8 * Highlight(dx, dy, nz, 30));
    });
  }

  // Felt in the middle, sunk a little below a gold ring.
  const Rgb felt = raster::FromColor(look.felt);
  const double feltOut = sIn - R(2.2);
  raster::FillWith(table, raster::CircleMask(w, h, cx, cy, feltOut + 0.5), [&](double x, double y) {
    const double t = std::hypot(x - cx + R(10), y - cy + R(14)) / (feltOut * 1.25);
    return felt * float(1.2 - 0.55 * std::clamp(t, 0.0, 1.0));
  });
  {
    Mask rimShadow = raster::RingMask(w, h, cx, cy, feltOut - R(5), feltOut + 2);
    raster::Blur(rimShadow, int(std::lround(R(3))));
    raster::Shade(table, rimShadow, 0.55f);
  }
  raster::Fill(table, raster::RingMask(w, h, cx, cy, R(46) - 0.5, R(46) + 0.5), felt * 1.6f, 0.35f);
  raster::FillWith(table, raster::RingMask(w, h, cx, cy, feltOut - 0.3, sIn + 0.4), [&](double x, double y) {
    return BandShade(rim, x - cx, y - cy, feltOut - 0.3, sIn + 0.4);
  });

  // Sector numbers, upright, centred on their ink.
  std::unique_ptr<Font> font;
  if (fonts) font = fonts->CreateFont({look.numberFont, std::max(4, int(std::lround(look.numberSize * k))), kFontBold});
  if (!font) {
    *error = "no font \"" + look.numberFont + "\" for the sector numbers";
    *ok = false;
    return;
  }
  const Rgb ink = raster::FromColor(look.numbers);
  for (int s = 1; s <= kTableSectors; ++s) {
    const Vec2 at = raster::Polar(cx, cy, R(kNumberRadius), PositionAngle(kOrder[s]));
    const Rect box = Rect::FromSize(int(at.x) - 30, int(at.y) - 20, 60, 40);
    Mask m = raster::TextMask(w, h, font.get(), box, std::to_string(s),
                              dt::Center | dt::VCenter | dt::SingleLine | dt::NoPrefix);
    double sx = 0, sy = 0, sum = 0;
    int x0 = w, x1 = -1, y0 = h, y1 = -1;
    for (int y = std::max(0, box.top); y < std::min(h, box.bottom); ++y)
      for (int x = std::max(0, box.left); x < std::min(w, box.right); ++x)
        if (m(x, y) > 0.2f) {
          x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
          sum += 1;
        }
    if (sum > 0) {
      sx = (x0 + x1 + 1) / 2.0, sy = (y0 + y1 + 1) / 2.0;
      m = raster::Shifted(m, int(std::lround(at.x - sx)), int(std::lround(at.y - sy)));
    }
    Mask drop = raster::Shifted(m, 1, 1);
    raster::Blur(drop, 1);
    raster::Shade(table, drop, 0.9f);
    raster::FillWith(table, m, [&](double, double y) {
      return raster::Lerp(ink, ink * 0.78f, float(std::clamp((y - at.y) / R(9) + 0.5, 0.0, 1.0)));
    });
  }

  // A faint sheen of lacquer over the whole table.
  {
    Mask sheen = raster::CircleMask(w, h, cx, cy, rimOut);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const double d = std::hypot(x - (cx - R(45)), y - (cy - R(55))) / R(120);
        sheen(x, y) *= float(std::max(0.0, 1 - d) * std::max(0.0, 1 - d));
      }
    raster::AddLight(table, sheen, {1, 1, 0.95f}, 0.10f);
  }
}

void TableRenderer::Impl::BuildTop() {
  const double tip = R(kPointerTip), body = R(kBodyRadius);
  const int scale = 4;
  const int half = int(std::ceil(tip + 3));
  const int size = 2 * half * scale;
  const double c = size / 2.0;
  auto P = [&](double radius, double turns) { return raster::Polar(c, c, radius * scale, turns); };
  Layer layer(size, size);

  // Body: turned wood with rings in the grain.
  const Rgb wood = raster::FromColor(look.wood);
  layer.Paint(raster::CircleMask(size, size, c, c, body * scale), [&](double x, double y) {
    const double r = std::hypot(x - c, y - c) / scale / k;
    const double a = std::atan2(x - c, c - y);
    const double grain = 0.9 + 0.1 * std::sin(r * 1.9 + 0.5 * std::sin(a * 5)) + 0.04 * std::sin(a * 23 + r * 0.7);
    return wood * float(grain);
  }, 0.f);
  // Chamfered edge, darker.
  layer.Paint(raster::RingMask(size, size, c, c, (body - R(3)) * scale, body * scale),
              [&](double, double) { return wood * 0.62f; }, 0.f);
  // Painted band of eight alternating segments: it reads as spin when blurred.
  const Rgb paintA = raster::FromColor(look.paintA), paintB = raster::FromColor(look.paintB);
  for (int i = 0; i < 8; ++i) {
    const Mask seg = raster::WedgeMask(size, size, c, c, R(19) * scale, R(28) * scale, i / 8.0, (i + 1) / 8.0);
    const Rgb col = (i % 2) ? paintB : paintA;
    layer.Paint(seg, [&](double, double) { return col; }, 0.f);
  }
  for (double r : {R(19), R(28)})
    layer.Paint(raster::RingMask(size, size, c, c, (r - 0.5) * scale, (r + 0.5) * scale),
                [&](double, double) { return wood * 0.35f; }, 0.f);

  // The pointer: a steel arrow with a ridge along it and a dark outline.
  auto arrow = [&](double grow) {
    const double shaft = R(2.6) + grow, head = R(8) + grow, neck = R(52), start = R(7) + grow;
    const double tipR = tip + grow * 1.8;
    std::vector<Vec2> pts;
    auto at = [&](double along, double across) {
      // Local frame: along the pointer (up), across to the right.
      return Vec2{c + across * scale, c - along * scale};
    };
    pts.push_back(at(-start - R(12), 0));
    pts.push_back(at(-start, shaft + R(1.5)));
    pts.push_back(at(neck, shaft));
    pts.push_back(at(neck - R(3), head));
    pts.push_back(at(tipR, 0));
    pts.push_back(at(neck - R(3), -head));
    pts.push_back(at(neck, -shaft));
    pts.push_back(at(-start, -shaft - R(1.5)));
    return raster::PolygonMask(size, size, pts);
  };
  layer.Paint(arrow(1.1), [&](double, double) { return Rgb{0.05f, 0.05f, 0.07f}; }, 0.f);
  const Rgb steel = raster::FromColor(look.pointer);
  layer.Paint(arrow(0), [&](double x, double) {
    const double across = (x - c) / scale;
    // Two faces meeting in a ridge: the left one catches more light.
    const float face = across < 0 ? 1.0f : 0.72f;
    const float edge = float(std::clamp(std::fabs(across) / R(8), 0.0, 1.0));
    return steel * (face * (1.f - 0.18f * edge));
  }, 1.f);

  // Into polar form: each texel averages a one-pixel radial band so that
  // circles in the pattern stay smooth; angles are filtered when sampling.
  rows = int(std::ceil((tip + 3) / rowStep)) + 2;
  prefix.assign(std::size_t(rows) * (columns + 1) * kChannels, 0.0);
  const double sub[4] = {-0.375, -0.125, 0.125, 0.375};
  for (int i = 0; i < rows; ++i) {
    double* row = prefix.data() + std::size_t(i) * (columns + 1) * kChannels;
    for (int j = 0; j < columns; ++j) {
      const double turns = (j + 0.5) / columns;
      double acc[kChannels] = {};
      for (double s : sub) {
        const double r = std::max(0.0, i * rowStep + s);
        const Vec2 p = P(r, turns);
        // Bilinear sample of each channel.
        const double fx = p.x - 0.5, fy = p.y - 0.5;
        const int x0 = int(std::floor(fx)), y0 = int(std::floor(fy));
        const double tx = fx - x0, ty = fy - y0;
        for (int q = 0; q < 4; ++q) {
          const int xx = x0 + (q & 1), yy = y0 + (q >> 1);
          if (xx < 0 || yy < 0 || xx >= size || yy >= size) continue;
          const double wgt = ((q & 1) ? tx : 1 - tx) * ((q >> 1) ? ty : 1 - ty) / 4;
          const Rgb& col = layer.colour(xx, yy);
          acc[0] += col.r * wgt, acc[1] += col.g * wgt, acc[2] += col.b * wgt;
          acc[3] += layer.alpha(xx, yy) * wgt, acc[4] += layer.metal(xx, yy) * wgt;
        }
      }
      for (int ch = 0; ch < kChannels; ++ch) row[(j + 1) * kChannels + ch] = row[j * kChannels + ch] + acc[ch];
    }
  }

  // The knob on the axis does not show the spin: it is drawn still, on top.
  const double knob = R(9);
  knobShadow = raster::CircleMask(w, h, cx + R(2), cy + R(3), knob);
  raster::Blur(knobShadow, std::max(1, int(std::lround(R(2)))));
  knobAlpha = raster::CircleMask(w, h, cx, cy, knob);
  knobColour = Image(w, h);
  const Rgb rim = raster::FromColor(look.rim);
  raster::FillWith(knobColour, knobAlpha, [&](double x, double y) {
    const double dx = (x - cx) / knob, dy = (y - cy) / knob;
    const double nz = std::sqrt(std::max(0.0, 1 - dx * dx - dy * dy));
    const double d = std::max(0.0, Dot(dx, dy, nz, kLight));
    const double edge = std::clamp(std::hypot(dx, dy) * 1.1, 0.0, 1.0);
    return rim * float((0.25 + 0.85 * d) * (1 - 0.35 * edge * edge)) +
           Rgb{1, 0.97f, 0.88f} * float(0.9 * Highlight(dx, dy, nz, 28));
  });
}

void TableRenderer::Impl::RowAverage(int row, double u0, double u1, double out[kChannels]) const {
  for (int ch = 0; ch < kChannels; ++ch) out[ch] = 0;
  if (row < 0 || row >= rows) return;
  const double* p = prefix.data() + std::size_t(row) * (columns + 1) * kChannels;
  const double total = columns;
  auto integral = [&](double u, int ch) {
    const double wraps = std::floor(u / total);
    const double rem = u - wraps * total;
    int j = int(rem);
    if (j >= columns) j = columns - 1;
    const double frac = rem - j;
    const double texel = p[(j + 1) * kChannels + ch] - p[j * kChannels + ch];
    return wraps * p[columns * kChannels + ch] + p[j * kChannels + ch] + frac * texel;
  };
  if (u1 - u0 >= total) {
    for (int ch = 0; ch < kChannels; ++ch) out[ch] = p[columns * kChannels + ch] / total;
    return;
  }
  const double len = std::max(u1 - u0, 1e-9);
  for (int ch = 0; ch < kChannels; ++ch) out[ch] = (integral(u1, ch) - integral(u0, ch)) / len;
}

Bitmap TableRenderer::Impl::Render(double from, double to, bool withTop) const {
  Image img = table;
  if (!withTop) return raster::ToBitmap(img);
  if (to < from) std::swap(from, to);

  // The region the top and its shadow can reach.
  const double reach = R(kPointerTip) + 3;
  const int pad = int(std::ceil(R(6)));
  const int x0 = std::max(0, int(std::floor(cx - reach)) - pad), x1 = std::min(w, int(std::ceil(cx + reach)) + pad);
  const int y0 = std::max(0, int(std::floor(cy - reach)) - pad), y1 = std::min(h, int(std::ceil(cy + reach)) + pad);
  const int rw = x1 - x0, rh = y1 - y0;
  if (rw <= 0 || rh <= 0) return raster::ToBitmap(img);
  std::vector<float> layer(std::size_t(rw) * rh * kChannels, 0.f);
  Mask alpha(rw, rh);
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) {
      const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
      const double r = std::hypot(dx, dy);
      if (r > reach) continue;
      const double phi = std::atan2(dx, -dy) / kTwoPi;
      // The pixel's own width along the circle, so that edges along the
      // radius are smoothed even when the top stands still.
      const double pixel = 1 / (kTwoPi * std::max(r, 0.5));
      const double u0 = (phi - to - pixel / 2) * columns, u1 = (phi - from + pixel / 2) * columns;
      const double rr = r / rowStep;
      const int row = int(rr);
      const double t = rr - row;
      double a[kChannels], b[kChannels];
      RowAverage(row, u0, u1, a);
      RowAverage(row + 1, u0, u1, b);
      float* out = layer.data() + (std::size_t(y - y0) * rw + (x - x0)) * kChannels;
      for (int ch = 0; ch < kChannels; ++ch) out[ch] = float(a[ch] + (b[ch] - a[ch]) * t);
      alpha(x - x0, y - y0) = out[3];
    }

  // Shadow of the top on the table, to the lower right.
  Mask shadow = raster::Shifted(alpha, int(std::lround(R(3))), int(std::lround(R(4))));
  raster::Blur(shadow, std::max(1, int(std::lround(R(1.5)))));
  const double body = R(kBodyRadius);
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) {
      Rgb& px = img(x, y);
      const float s = shadow(x - x0, y - y0);
      if (s > 0) px = px * (1 - 0.6f * std::min(1.f, s));
      const float* l = layer.data() + (std::size_t(y - y0) * rw + (x - x0)) * kChannels;
      const float a = l[3];
      if (a <= 0.f) continue;
      const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
      const double r = std::max(1e-6, std::hypot(dx, dy));
      const Rgb albedo{l[0], l[1], l[2]};  // premultiplied
      // Wood: a low dome lit from the upper left.
      const double q = std::min(1.0, r / body);
      const double slope = 0.95 * q;
      double nx = slope * dx / r, ny = slope * dy / r, nz = 1;
      const double nl = std::sqrt(nx * nx + ny * ny + nz * nz);
      nx /= nl, ny /= nl, nz /= nl;
      const double diffuse = std::max(0.0, Dot(nx, ny, nz, kLight));
      const Rgb woodLit = albedo * float(0.38 + 0.85 * diffuse) + Rgb{1, 0.95f, 0.85f} * float(0.30 * Highlight(nx, ny, nz, 18) * a);
      // Steel: flat, with a sheen across the table.
      const double sheen = std::clamp(0.5 - (dx * 0.6 + dy * 0.8) / (2 * R(kPointerTip)), 0.0, 1.0);
      const Rgb steelLit = albedo * float(0.72 + 0.45 * sheen) + Rgb{1, 1, 1} * float(0.08 * a);
      const float metal = std::clamp(l[4] / a, 0.f, 1.f);
      const Rgb lit = raster::Lerp(woodLit, steelLit, metal);
      px = px * (1 - std::min(1.f, a)) + lit;
    }
  raster::Shade(img, knobShadow, 0.6f);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const float a = knobAlpha(x, y);
      if (a > 0) img(x, y) = raster::Lerp(img(x, y), knobColour(x, y), a);
    }
  return raster::ToBitmap(img);
}

TableRenderer::TableRenderer(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
TableRenderer::~TableRenderer() = default;

std::unique_ptr<TableRenderer> TableRenderer::Create(const TableLook& look, FontEngine* fonts, std::string* error) {
  std::string dummy;
  if (!error) error = &dummy;
  if (look.width < 48 || look.height < 48 || look.width > 2048 || look.height > 2048) {
    *error = "the table clip must be 48 to 2048 pixels wide and high";
    return nullptr;
  }
  auto impl = std::make_unique<Impl>();
  impl->look = look;
  impl->w = look.width;
  impl->h = look.height;
  impl->cx = look.width / 2.0;
  impl->cy = look.height / 2.0;
  impl->k = (std::min(look.width, look.height) / 2.0 - 3) / kRefRadius;
  bool ok = true;
  impl->DrawTable(fonts, error, &ok);
  if (!ok) return nullptr;
  impl->BuildTop();
  return std::unique_ptr<TableRenderer>(new TableRenderer(std::move(impl)));
}

Bitmap TableRenderer::EmptyTable() const { return impl_->Render(0, 0, false); }
Bitmap TableRenderer::Frame(double fromTurns, double toTurns) const { return impl_->Render(fromTurns, toTurns, true); }

Bitmap TableRenderer::ClipFrame(const SpinPlan& plan, int sector, int frame) const {
  const double half = plan.shutter / 2;
  return Frame(PointerAngle(plan, sector, frame - half), PointerAngle(plan, sector, frame + half));
}

Bitmap TableRenderer::Still(int sector) const {
  const double a = PositionAngle(PositionOfSector(sector) ? PositionOfSector(sector) : 1);
  return Frame(a, a);
}

double TableRenderer::CentreX() const { return impl_->cx; }
double TableRenderer::CentreY() const { return impl_->cy; }
double TableRenderer::BodyRadius() const { return impl_->R(kBodyRadius); }
double TableRenderer::PointerLength() const { return impl_->R(kPointerTip); }
double TableRenderer::SectorInner() const { return impl_->R(kSectorInner); }
double TableRenderer::SectorOuter() const { return impl_->R(kSectorOuter); }

}  // namespace trv::disc
