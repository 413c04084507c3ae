#include "platform/Region.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

// Both the point test and the scanline fill decide "is this edge to the right of
// the pixel centre" through the one exact integer function Threshold(), so they
// agree pixel for pixel, including centres that lie exactly on an edge.

namespace trv {
namespace {

// A non-horizontal edge with top.y < bottom.y; dir is +1 when the polygon runs
// downwards along it, -1 upwards.
struct Edge {
  Point top;
  Point bottom;
  int dir = 0;
};

bool MakeEdge(Point a, Point b, Edge& e) {
  if (a.y == b.y) return false;  // horizontal edges never cross a row of pixel centres
  e.dir = b.y > a.y ? 1 : -1;
  if (b.y < a.y) std::swap(a, b);
  e.top = a;
  e.bottom = b;
  return true;
}

// The edge crosses the row of centres y + 0.5 when top.y <= y < bottom.y.
bool Spans(const Edge& e, long long y) { return e.top.y <= y && y < e.bottom.y; }

template <typename I>
I CeilDiv(I n, I d) {  // d > 0
  I q = n / d;
  if (n % d != 0 && n > 0) ++q;
  return q;
}

// For a row the edge spans: pixel x has the edge strictly right of its centre
// (x + 0.5, y + 0.5) exactly when x < Threshold(e, y). A centre lying exactly on
// the edge counts as lying right of it, so that of two polygons sharing an edge
// only the one on its right owns those pixels.
long long Threshold(const Edge& e, long long y) {
  const long long dy = (long long)e.bottom.y - e.top.y;  // > 0
  const long long dx = (long long)e.bottom.x - e.top.x;
  const long long p = 2 * y + 1 - 2 * (long long)e.top.y;  // 0 < p < 2 * dy
  // crossing - 0.5 = top.x + (p * dx - dy) / (2 * dy); the threshold is its ceiling.
  constexpr long long kSmall = 1ll << 30;
  if (dy < kSmall && std::llabs(dx) < kSmall) return e.top.x + CeilDiv(p * dx - dy, 2 * dy);
  // Coordinates far outside any screen: the products need more than 64 bits.
  return e.top.x + (long long)CeilDiv<__int128>(__int128(p) * dx - dy, __int128(2) * dy);
}

}  // namespace

bool PolygonContains(const Polygon& polygon, int x, int y) {
  if (polygon.size() < 3) return false;
  long long winding = 0;
  for (std::size_t i = 0; i < polygon.size(); ++i) {
    Edge e;
    if (!MakeEdge(polygon[i], polygon[(i + 1) % polygon.size()], e) || !Spans(e, y)) continue;
    if (x < Threshold(e, y)) winding += e.dir;
  }
  return winding != 0;
}

std::vector<std::uint8_t> RasterizePolygon(const Polygon& polygon, int width, int height) {
  if (width <= 0 || height <= 0) return {};
  std::vector<std::uint8_t> mask(std::size_t(width) * std::size_t(height), 0);
  if (polygon.size() < 3) return mask;

  // Edge table: the edges touching the picture, by their first row inside it.
  struct Span {
    Edge edge;
    int first;
    int last;
  };
  std::vector<Span> edges;
  edges.reserve(polygon.size());
  for (std::size_t i = 0; i < polygon.size(); ++i) {
    Edge e;
    if (!MakeEdge(polygon[i], polygon[(i + 1) % polygon.size()], e)) continue;
    const long long first = std::max<long long>(e.top.y, 0);
    const long long last = std::min<long long>((long long)e.bottom.y - 1, height - 1);
    if (first <= last) edges.push_back({e, int(first), int(last)});
  }
  std::sort(edges.begin(), edges.end(), [](const Span& a, const Span& b) { return a.first < b.first; });

  std::vector<Span> active;
  std::vector<std::uint64_t> crossings;
  std::size_t next = 0;
  for (int y = 0; y < height; ++y) {
    while (next < edges.size() && edges[next].first <= y) active.push_back(edges[next++]);
    std::erase_if(active, [y](const Span& s) { return s.last < y; });
    if (active.empty()) {
      if (next == edges.size()) break;
      continue;
    }
    crossings.clear();
    long long winding = 0;  // for pixels left of every crossing, all edges count
    for (const Span& s : active) {
      // Threshold and direction packed in one number: sorting plain integers is
      // what keeps polygons with thousands of long edges fast.
      const long long t = std::clamp<long long>(Threshold(s.edge, y), 0, width);
      crossings.push_back(std::uint64_t(t) << 1 | (s.edge.dir > 0 ? 1 : 0));
      winding += s.edge.dir;
    }
    std::sort(crossings.begin(), crossings.end());
    std::uint8_t* row = mask.data() + std::size_t(y) * std::size_t(width);
    long long x = 0;
    for (const std::uint64_t c : crossings) {
      const long long threshold = (long long)(c >> 1);
      if (winding != 0 && threshold > x) std::fill(row + x, row + threshold, std::uint8_t(1));
      x = std::max(x, threshold);
      winding -= (c & 1) ? 1 : -1;  // from `threshold` on, this edge is no longer to the right
    }
    if (winding != 0 && x < width) std::fill(row + x, row + width, std::uint8_t(1));
  }
  return mask;
}

}  // namespace trv
