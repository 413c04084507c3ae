#pragma once

#include <cstdint>

namespace trv {

struct Point {
  int x = 0;
  int y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
  int width = 0;
  int height = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

// Left, top, right, bottom; right and bottom are exclusive for drawing.
struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool Empty() const { return right <= left || bottom <= top; }
  // Element hit tests are strict: points on the border are outside.
  bool StrictlyContains(Point p) const {
    return left < p.x && p.x < right && top < p.y && p.y < bottom;
  }
  bool Contains(Point p) const {
    return left <= p.x && p.x < right && top <= p.y && p.y < bottom;
  }
  Rect Intersect(const Rect& o) const;
  Rect Offset(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
  static Rect FromSize(int x, int y, int w, int h) { return {x, y, x + w, y + h}; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

inline Rect Rect::Intersect(const Rect& o) const {
  Rect r{left > o.left ? left : o.left, top > o.top ? top : o.top,
         right < o.right ? right : o.right, bottom < o.bottom ? bottom : o.bottom};
  if (r.Empty()) return {};
  return r;
}

// Colours as the scripts write them: red + 256 * green + 65536 * blue.
using Color = std::uint32_t;

constexpr Color MakeColor(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return Color(r) | (Color(g) << 8) | (Color(b) << 16);
}
constexpr std::uint8_t RedOf(Color c) { return std::uint8_t(c); }
constexpr std::uint8_t GreenOf(Color c) { return std::uint8_t(c >> 8); }
constexpr std::uint8_t BlueOf(Color c) { return std::uint8_t(c >> 16); }

}  // namespace trv
