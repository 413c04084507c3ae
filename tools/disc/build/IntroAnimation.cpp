#include "disc/build/IntroAnimation.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "disc/build/Raster.h"

namespace trv::disc {
namespace {

using raster::Image;
using raster::Mask;
using raster::Rgb;

constexpr double kPi = std::numbers::pi;
constexpr int kHi = 2;  // the title is drawn at twice the size and sampled down
constexpr int kRayTable = 2048;

double Smooth(double e0, double e1, double x) {
  const double t = std::clamp((x - e0) / (e1 - e0), 0.0, 1.0);
  return t * t * (3 - 2 * t);
}
double EaseOut(double t) {
  t = std::clamp(t, 0.0, 1.0);
  return 1 - (1 - t) * (1 - t) * (1 - t);
}

// A small fixed generator, so that the sparks are the same on every build.
struct Random {
  std::uint32_t state;
  double Next() {
    state = state * 1664525u + 1013904223u;
    return (state >> 8) / double(1 << 24);
  }
};

struct Spark {
  double angle, speed, start, life, size, bright, twinkle, phase;
};

// Grows a mask by `radius` pixels (the largest value within the circle).
Mask Dilate(const Mask& m, int radius) {
  Mask out(m.Width(), m.Height());
  for (int y = 0; y < m.Height(); ++y)
    for (int x = 0; x < m.Width(); ++x) {
      float best = 0;
      for (int dy = -radius; dy <= radius; ++dy)
        for (int dx = -radius; dx <= radius; ++dx)
          if (dx * dx + dy * dy <= radius * radius + radius) best = std::max(best, m.At(x + dx, y + dy));
      out(x, y) = best;
    }
  return out;
}

}  // namespace

struct IntroRenderer::Impl {
  IntroLook look;
  int w = 0, h = 0;
  double cx = 0, titleY = 0;
  Image background;
  std::vector<float> angle, radius;  // per pixel around the title's centre

  // The title at kHi times the size: ink, outline, glow; the ink's box.
  Mask title, outline, glow;
  double inkLeft = 0, inkTop = 0, inkRight = 0, inkBottom = 0, inkCx = 0, inkCy = 0;
  Mask subtitle;  // in place, at rest
  Mask subtitleShadow;
  double lineY = 0;
  std::vector<Spark> sparks;

  double Seconds(int frame) const { return double(frame) / look.framesPerSecond; }
  void Rays(Image& img, double t, double strength) const;
  void Sparks(Image& img, double t) const;
  void Title(Image& img, double t) const;
  void Flash(Image& img, double t) const;
  void Line(Image& img, double t) const;
  void Subtitle(Image& img, double t) const;
};

void IntroRenderer::Impl::Rays(Image& img, double t, double strength) const {
  if (strength <= 0) return;
  // The pattern depends on the angle only; one table per frame.
  std::vector<float> table(kRayTable);
  const double turn = 0.012 * t;
  for (int i = 0; i < kRayTable; ++i) {
    const double a = double(i) / kRayTable + turn;
    const double main = std::pow(0.5 + 0.5 * std::cos(2 * kPi * (16 * a + 0.15 * std::sin(2 * kPi * 3 * a))), 4.0);
    const double vary = 0.55 + 0.45 * std::cos(2 * kPi * 5 * a + 0.7 * t);
    const double thin = std::pow(0.5 + 0.5 * std::cos(2 * kPi * (9 * a + 0.3) - 0.4 * t), 8.0);
    table[std::size_t(i)] = float(main * vary + 0.6 * thin);
  }
  const Rgb colour = raster::FromColor(look.rays);
  const double reach = 0.42 * h;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const std::size_t i = std::size_t(y) * w + x;
      const double r = radius[i];
      const double fall = (1 - std::exp(-r / 10)) * std::exp(-r / reach);
      const int k = int(angle[i] * kRayTable) & (kRayTable - 1);
      img(x, y) = img(x, y) + colour * float(0.42 * strength * fall * table[std::size_t(k)]);
    }
  // A soft core behind the title.
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const double r = radius[std::size_t(y) * w + x];
      img(x, y) = img(x, y) + colour * float(0.22 * strength * std::exp(-(r * r) / (2 * 38.0 * 38.0)));
    }
}

void IntroRenderer::Impl::Sparks(Image& img, double t) const {
  const Rgb warm = raster::FromColor(look.rays), white{1, 1, 1};
  for (const Spark& s : sparks) {
    if (t < s.start) continue;
    const double age = std::fmod(t - s.start, s.life) / s.life;  // each spark comes back
    const double r = 8 + s.speed * age * s.life;
    const double x = cx + r * std::cos(s.angle);
    const double y = titleY + r * std::sin(s.angle) - 6 * age * age * s.life;
    const double fade = Smooth(0, 0.15, age) * (1 - Smooth(0.6, 1, age));
    const double tw = 0.65 + 0.35 * std::sin(2 * kPi * s.twinkle * t + s.phase);
    const double b = s.bright * fade * tw * Smooth(look.titleFrom - 0.2, look.titleFrom + 0.8, t);
    if (b <= 0.004) continue;
    const Rgb colour = raster::Lerp(warm, white, float(0.5 + 0.5 * tw));
    const double sigma = s.size;
    const int reach = int(std::ceil(sigma * 3 + (s.size > 1.1 ? 5 : 0)));
    for (int py = std::max(0, int(y) - reach); py <= std::min(h - 1, int(y) + reach); ++py)
      for (int px = std::max(0, int(x) - reach); px <= std::min(w - 1, int(x) + reach); ++px) {
        const double dx = px + 0.5 - x, dy = py + 0.5 - y;
        double v = std::exp(-(dx * dx + dy * dy) / (2 * sigma * sigma));
        if (s.size > 1.1) {
          // The bigger sparks twinkle as four-pointed stars.
          v += 0.35 * std::exp(-std::fabs(dx) / 2.2 - (dy * dy) / 0.35) + 0.35 * std::exp(-std::fabs(dy) / 2.2 - (dx * dx) / 0.35);
        }
        img(px, py) = img(px, py) + colour * float(b * v);
      }
  }
}

void IntroRenderer::Impl::Title(Image& img, double t) const {
  const double u = (t - look.titleFrom) / std::max(0.05, look.titleTo - look.titleFrom);
  if (u <= 0) return;
  const double e = EaseOut(u);
  const double scale = 1 + 2.2 * (1 - e);  // from far in front to its place
  const double alpha = Smooth(0, 0.55, u);
  // A glow that swells as the title lands, then breathes.
  const double landed = t - look.titleTo;
  const double glowGain =
      (0.55 + 0.25 * Smooth(-0.3, 0, landed) * std::exp(-std::max(0.0, landed) / 0.8) + 0.08 * std::sin(t * 2.2)) * alpha;
  // The shine crosses the letters once after the landing and again later.
  const double shineAt = (landed - 0.3) / 1.1;
  const double shineAgain = (landed - 3.4) / 1.1;
  const double inkW = inkRight - inkLeft, inkH = inkBottom - inkTop;

  const Rgb top = raster::FromColor(look.titleTop), mid = raster::FromColor(look.titleMiddle),
            bottom = raster::FromColor(look.titleBottom), glowColour = raster::FromColor(look.glow);
  const std::vector<raster::Stop> fill{{0.f, top}, {0.42f, mid}, {0.58f, mid * 0.92f}, {1.f, bottom}};
  const double halfW = title.Width() / 2.0 / kHi * scale, halfH = title.Height() / 2.0 / kHi * scale;
  const int x0 = std::max(0, int(cx - halfW) - 1), x1 = std::min(w, int(cx + halfW) + 2);
  const int y0 = std::max(0, int(titleY - halfH) - 1), y1 = std::min(h, int(titleY + halfH) + 2);
  const double step = kHi / scale;  // hi-res pixels per frame pixel
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) {
      double ink = 0, line = 0, halo = 0, hyAvg = 0, hxAvg = 0;
      for (int s = 0; s < 4; ++s) {
        const double ox = (s & 1) ? 0.25 : -0.25, oy = (s >> 1) ? 0.25 : -0.25;
        const double hx = inkCx + (x + 0.5 + ox - cx) * step, hy = inkCy + (y + 0.5 + oy - titleY) * step;
        ink += title.Bilinear(hx, hy);
        line += outline.Bilinear(hx, hy);
        halo += glow.Bilinear(hx, hy);
        hxAvg += hx, hyAvg += hy;
      }
      ink /= 4, line /= 4, halo /= 4, hxAvg /= 4, hyAvg /= 4;
      Rgb& p = img(x, y);
      if (halo > 0) p = p + glowColour * float(halo * glowGain * 1.1);
      if (line > 0) p = p * float(1 - 0.85 * line * alpha);
      if (ink <= 0) continue;
      const double v = (hyAvg - inkTop) / inkH;
      Rgb c = raster::Sample(fill, float(v));
      const double across = (hxAvg - inkLeft) / inkW + 0.35 * v;
      for (double at : {shineAt, shineAgain}) {
        const double d = (across - (at * 1.6 - 0.3)) / 0.07;
        if (at > -0.2 && at < 1.2) c = c + Rgb{1, 1, 0.95f} * float(0.85 * std::exp(-d * d));
      }
      p = raster::Lerp(p, c, float(ink * alpha));
    }
}

void IntroRenderer::Impl::Flash(Image& img, double t) const {
  const double since = t - look.titleTo;
  if (since < 0 || since > 1.4) return;
  const double flash = 0.3 * std::exp(-since / 0.12);
  const double ringR = 12 + since * 240, ringGain = 0.45 * std::exp(-since / 0.45);
  const Rgb colour = raster::FromColor(look.rays);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const double r = radius[std::size_t(y) * w + x];
      const double d = (r - ringR) / 5;
      img(x, y) = img(x, y) + colour * float(flash * std::exp(-r / 140) + ringGain * std::exp(-d * d));
    }
}

void IntroRenderer::Impl::Line(Image& img, double t) const {
  const double u = (t - look.titleTo - 0.15) / 0.9;
  if (u <= 0) return;
  const double half = EaseOut(u) * 0.36 * w;
  const Rgb gold = raster::FromColor(look.titleMiddle), white{1, 1, 0.92f};
  for (int y = std::max(0, int(lineY) - 6); y < std::min(h, int(lineY) + 7); ++y)
    for (int x = 0; x < w; ++x) {
      const double dx = std::fabs(x + 0.5 - cx), dy = y + 0.5 - lineY;
      if (dx > half + 8) continue;
      const double along = std::clamp(1 - dx / std::max(half, 1e-3), 0.0, 1.0);
      const double core = std::exp(-dy * dy / (2 * 0.55 * 0.55)) * std::sqrt(along);
      img(x, y) = raster::Lerp(img(x, y), gold, float(std::min(1.0, core * 0.95)));
      // Glints ride the two ends while the line grows.
      const double glint = (1 - Smooth(0.7, 1.3, u)) * std::exp(-((dx - half) * (dx - half) + dy * dy) / 6.0);
      img(x, y) = img(x, y) + white * float(glint * 1.4);
    }
}

void IntroRenderer::Impl::Subtitle(Image& img, double t) const {
  const double u = (t - look.subtitleFrom) / std::max(0.05, look.subtitleTo - look.subtitleFrom);
  if (u <= 0) return;
  const double alpha = Smooth(0, 1, u);
  const double rise = 8 * (1 - EaseOut(u));
  const Rgb colour = raster::FromColor(look.subtitleColour);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const double sy = y + 0.5 - rise;
      const float shade = subtitleShadow.Bilinear(x + 0.5, sy);
      const float ink = subtitle.Bilinear(x + 0.5, sy);
      if (shade <= 0 && ink <= 0) continue;
      Rgb& p = img(x, y);
      p = p * float(1 - 0.8 * shade * alpha);
      p = raster::Lerp(p, colour, float(ink * alpha));
    }
}

IntroRenderer::IntroRenderer(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
IntroRenderer::~IntroRenderer() = default;

std::unique_ptr<IntroRenderer> IntroRenderer::Create(const IntroLook& look, FontEngine* fonts, std::string* error) {
  std::string dummy;
  if (!error) error = &dummy;
  if (look.width < 64 || look.height < 48 || look.width > 2048 || look.height > 2048) {
    *error = "the intro clip must be 64 to 2048 pixels wide and 48 to 2048 high";
    return nullptr;
  }
  if (look.frames < 1 || look.framesPerSecond < 1) {
    *error = "the intro clip needs at least one frame";
    return nullptr;
  }
  if (!fonts) {
    *error = "no fonts to draw the title with";
    return nullptr;
  }
  auto impl = std::make_unique<Impl>();
  Impl& m = *impl;
  m.look = look;
  m.w = look.width;
  m.h = look.height;
  m.cx = m.w / 2.0;
  m.titleY = m.h * 0.42;

  // The title, at twice the size, shrunk until it fits 86% of the width.
  int size = std::max(4, look.titleSize) * kHi;
  std::unique_ptr<Font> font;
  for (int tries = 0; tries < 4; ++tries) {
    font = fonts->CreateFont({look.titleFont, size, kFontBold});
    if (!font) {
      *error = "no font \"" + look.titleFont + "\" for the title";
      return nullptr;
    }
    const Size ext = font->TextExtent(look.title);
    const double room = 0.86 * m.w * kHi;
    if (ext.width <= room || size <= 8) break;
    size = std::max(8, int(size * room / ext.width));
  }
  const Size ext = font->TextExtent(look.title);
  const int pad = 28;
  const int tw = std::max(1, ext.width + 2 * pad), th = std::max(1, ext.height + 2 * pad);
  m.title = raster::TextMask(tw, th, font.get(), Rect::FromSize(pad, pad, ext.width + 4, ext.height + 4), look.title,
                             dt::Left | dt::SingleLine | dt::NoPrefix);
  int ix0 = tw, ix1 = -1, iy0 = th, iy1 = -1;
  for (int y = 0; y < th; ++y)
    for (int x = 0; x < tw; ++x)
      if (m.title(x, y) > 0.1f) ix0 = std::min(ix0, x), ix1 = std::max(ix1, x), iy0 = std::min(iy0, y), iy1 = std::max(iy1, y);
  if (ix1 < 0) ix0 = 0, ix1 = tw - 1, iy0 = 0, iy1 = th - 1;  // an empty title still animates its light
  m.inkLeft = ix0, m.inkRight = ix1 + 1, m.inkTop = iy0, m.inkBottom = iy1 + 1;
  m.inkCx = (m.inkLeft + m.inkRight) / 2, m.inkCy = (m.inkTop + m.inkBottom) / 2;
  m.outline = Dilate(m.title, 3);
  raster::Blur(m.outline, 1);
  m.glow = m.title;
  raster::Blur(m.glow, 9);
  for (float& v : m.glow.Data()) v = std::min(1.f, v * 1.6f);

  // The subtitle under it.
  std::unique_ptr<Font> small = fonts->CreateFont({look.subtitleFont, std::max(4, look.subtitleSize), kFontBold});
  if (!small) {
    *error = "no font \"" + look.subtitleFont + "\" for the subtitle";
    return nullptr;
  }
  const double titleHalf = (m.inkBottom - m.inkTop) / 2.0 / kHi;
  m.lineY = m.titleY + titleHalf + 9;
  const int subTop = int(std::lround(m.lineY + 6));
  m.subtitle = raster::TextMask(m.w, m.h, small.get(), Rect::FromSize(0, subTop, m.w, small->Height() + 4), look.subtitle,
                                dt::Center | dt::SingleLine | dt::NoPrefix);
  m.subtitleShadow = raster::Shifted(m.subtitle, 1, 1);
  raster::Blur(m.subtitleShadow, 1);
  for (float& v : m.subtitleShadow.Data()) v = std::min(1.f, v * 2.f);

  // Background: a deep gradient with a lighter heart behind the title.
  m.background = Image(m.w, m.h);
  const Rgb inner = raster::FromColor(look.backgroundInner), outer = raster::FromColor(look.backgroundOuter);
  raster::RadialGradient(m.background, m.cx, m.titleY, std::hypot(m.cx, m.h * 0.58),
                         {{0.f, inner}, {0.5f, raster::Lerp(inner, outer, 0.55f)}, {1.f, outer}});
  m.angle.resize(std::size_t(m.w) * m.h);
  m.radius.resize(m.angle.size());
  for (int y = 0; y < m.h; ++y)
    for (int x = 0; x < m.w; ++x) {
      const double dx = x + 0.5 - m.cx, dy = y + 0.5 - m.titleY;
      double a = std::atan2(dx, -dy) / (2 * kPi);
      if (a < 0) a += 1;
      m.angle[std::size_t(y) * m.w + x] = float(a);
      m.radius[std::size_t(y) * m.w + x] = float(std::hypot(dx, dy * 1.25));  // rays spread wider than high
    }

  Random rng{0x7121u};
  for (int i = 0; i < std::clamp(look.sparks, 0, 2000); ++i) {
    Spark s;
    s.angle = rng.Next() * 2 * kPi;
    s.speed = 14 + rng.Next() * 46;
    s.life = 1.6 + rng.Next() * 2.4;
    s.start = look.titleFrom + rng.Next() * s.life;
    s.size = 0.55 + std::pow(rng.Next(), 3) * 1.3;
    s.bright = 0.35 + rng.Next() * 0.65;
    s.twinkle = 0.6 + rng.Next() * 2.2;
    s.phase = rng.Next() * 2 * kPi;
    m.sparks.push_back(s);
  }
  return std::unique_ptr<IntroRenderer>(new IntroRenderer(std::move(impl)));
}

Bitmap IntroRenderer::Frame(int frame) const {
  const Impl& m = *impl_;
  const double t = m.Seconds(frame);
  Image img = m.background;
  // The room breathes a little.
  const double breath = 1 + 0.06 * std::sin(t * 1.3);
  for (Rgb& p : img.Data()) p = p * float(breath);
  const double landed = t - m.look.titleTo;
  const double rays = Smooth(m.look.titleFrom - 0.2, m.look.titleTo, t) *
                      (0.75 + 0.35 * std::exp(-std::max(0.0, landed) / 0.7));
  m.Rays(img, t, rays);
  m.Sparks(img, t);
  m.Flash(img, t);
  m.Title(img, t);
  m.Line(img, t);
  m.Subtitle(img, t);
  const double end = m.look.frames / double(m.look.framesPerSecond);
  if (m.look.fadeOut > 0) {
    const double k = Smooth(end, end - m.look.fadeOut, t + 1.0 / m.look.framesPerSecond);
    if (k < 1)
      for (Rgb& p : img.Data()) p = p * float(k);
  }
  return raster::ToBitmap(img);
}

}  // namespace trv::disc
