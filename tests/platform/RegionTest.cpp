#include <gtest/gtest.h>

#include <random>
#include <utility>

#include "platform/Region.h"

namespace trv {
namespace {

// Number of pixels inside.
int CountInside(const std::vector<std::uint8_t>& mask) {
  int n = 0;
  for (auto v : mask) n += v;
  return n;
}

// Winding number by the side of each edge the doubled centre (2x + 1, 2y + 1)
// lies on: a cross product, no division. A centre exactly on an edge counts as
// right of it.
bool ReferenceContains(const Polygon& p, int x, int y) {
  if (p.size() < 3) return false;
  long long winding = 0;
  const long long px = 2 * x + 1, py = 2 * y + 1;
  for (std::size_t i = 0; i < p.size(); ++i) {
    Point a = p[i], b = p[(i + 1) % p.size()];
    const int dir = b.y > a.y ? 1 : -1;
    if (a.y > b.y) std::swap(a, b);
    if (!(2 * a.y < py && py < 2 * b.y)) continue;
    const long long side = (2ll * a.x - px) * (b.y - a.y) + (py - 2ll * a.y) * (b.x - a.x);
    if (side > 0) winding += dir;
  }
  return winding != 0;
}

void ExpectAgree(const Polygon& p, int w, int h) {
  const auto mask = RasterizePolygon(p, w, h);
  ASSERT_EQ(mask.size(), std::size_t(w) * std::size_t(h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const bool in = ReferenceContains(p, x, y);
      ASSERT_EQ(PolygonContains(p, x, y), in) << "pixel " << x << "," << y;
      ASSERT_EQ(mask[std::size_t(y) * w + x] != 0, in) << "pixel " << x << "," << y;
    }
}

TEST(Region, RectangleCoversLeftTopButNotRightBottomEdge) {
  const Polygon square{{2, 1}, {5, 1}, {5, 3}, {2, 3}};
  const auto mask = RasterizePolygon(square, 8, 5);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 8; ++x) {
      const bool in = x >= 2 && x < 5 && y >= 1 && y < 3;
      EXPECT_EQ(mask[y * 8 + x], in ? 1 : 0) << x << "," << y;
      EXPECT_EQ(PolygonContains(square, x, y), in) << x << "," << y;
    }
  // The direction a polygon is listed in does not matter.
  EXPECT_EQ(RasterizePolygon({{2, 3}, {5, 3}, {5, 1}, {2, 1}}, 8, 5), mask);
}

TEST(Region, WindingRule) {
  // A pentagram drawn in one stroke: the central pentagon is wound twice, so it is
  // inside by the non-zero rule (the even-odd rule would leave a hole).
  const Polygon star{{50, 10}, {74, 82}, {12, 38}, {88, 38}, {26, 82}};
  EXPECT_TRUE(PolygonContains(star, 50, 50));
  EXPECT_TRUE(PolygonContains(star, 50, 15));  // a tip
  EXPECT_FALSE(PolygonContains(star, 30, 20));
  EXPECT_FALSE(PolygonContains(star, 50, 85));
  ExpectAgree(star, 100, 100);

  // Two overlapping squares: wound the same way the overlap is inside, wound
  // opposite ways it cancels to zero and is outside.
  const Polygon same{{0, 0}, {6, 0}, {6, 6}, {0, 6}, {0, 0}, {3, 3}, {9, 3}, {9, 9}, {3, 9}, {3, 3}};
  const Polygon opposite{{0, 0}, {6, 0}, {6, 6}, {0, 6}, {0, 0}, {3, 3}, {3, 9}, {9, 9}, {9, 3}, {3, 3}};
  EXPECT_TRUE(PolygonContains(same, 4, 4));
  EXPECT_FALSE(PolygonContains(opposite, 4, 4));
  EXPECT_TRUE(PolygonContains(opposite, 1, 1));
  EXPECT_TRUE(PolygonContains(opposite, 7, 7));
  ExpectAgree(same, 10, 10);
  ExpectAgree(opposite, 10, 10);

  // A bow tie crossing itself: the left and right lobes are inside (wound in
  // opposite directions), the wedges above and below the crossing are not.
  const Polygon bowtie{{0, 0}, {10, 10}, {10, 0}, {0, 10}};
  EXPECT_TRUE(PolygonContains(bowtie, 1, 5));
  EXPECT_TRUE(PolygonContains(bowtie, 8, 5));
  EXPECT_FALSE(PolygonContains(bowtie, 5, 2));
  EXPECT_FALSE(PolygonContains(bowtie, 5, 7));
  ExpectAgree(bowtie, 12, 12);
}

TEST(Region, DegenerateAndDistantPolygons) {
  EXPECT_EQ(CountInside(RasterizePolygon({}, 5, 5)), 0);
  EXPECT_EQ(CountInside(RasterizePolygon({{0, 0}, {5, 5}}, 5, 5)), 0);
  EXPECT_FALSE(PolygonContains({{0, 0}, {9, 0}}, 1, 0));
  EXPECT_EQ(CountInside(RasterizePolygon({{0, 0}, {4, 4}, {8, 8}}, 9, 9)), 0);  // collinear
  EXPECT_TRUE(RasterizePolygon({{0, 0}, {4, 0}, {4, 4}}, 0, 5).empty());

  // Repeated and collinear points change nothing.
  const Polygon plain{{1, 1}, {7, 1}, {7, 6}, {1, 6}};
  const Polygon noisy{{1, 1}, {1, 1}, {4, 1}, {7, 1}, {7, 1}, {7, 3}, {7, 6}, {1, 6}, {1, 4}, {1, 1}};
  EXPECT_EQ(RasterizePolygon(noisy, 9, 8), RasterizePolygon(plain, 9, 8));
  EXPECT_EQ(CountInside(RasterizePolygon(plain, 9, 8)), 30);

  // Vertices far outside the picture, up to the ends of int: the whole picture is inside.
  const Polygon huge{{-2000000000, -2000000000}, {2147483647, -2000000000}, {0, 2147483647}};
  EXPECT_EQ(CountInside(RasterizePolygon(huge, 40, 30)), 40 * 30);
  EXPECT_TRUE(PolygonContains(huge, 0, 0));
  EXPECT_FALSE(PolygonContains(huge, -2100000000, 0));
}

TEST(Region, NeighboursSharingAnEdgeSplitItsPixels) {
  // The two halves of a square cut along a diagonal: every pixel of the square
  // belongs to exactly one half, including those whose centre lies on the cut.
  const Polygon a{{0, 0}, {8, 0}, {0, 8}}, b{{8, 0}, {8, 8}, {0, 8}};
  const auto ma = RasterizePolygon(a, 8, 8), mb = RasterizePolygon(b, 8, 8);
  for (std::size_t i = 0; i < ma.size(); ++i) EXPECT_EQ(ma[i] + mb[i], 1) << i;
  const Polygon c{{0, 0}, {6, 0}, {2, 8}, {0, 8}}, d{{6, 0}, {9, 0}, {9, 8}, {2, 8}};
  const auto mc = RasterizePolygon(c, 9, 8), md = RasterizePolygon(d, 9, 8);
  for (std::size_t i = 0; i < mc.size(); ++i) EXPECT_EQ(mc[i] + md[i], 1) << i;
}

TEST(Region, FillAndPointTestMatchAReferenceOnRandomPolygons) {
  std::mt19937 rng(12345);
  for (int round = 0; round < 200; ++round) {
    const int w = 1 + int(rng() % 40), h = 1 + int(rng() % 40);
    Polygon p(3 + rng() % 12);
    // Vertices reach beyond the picture on every side; small ranges make
    // repeated points, collinear runs and centres on edges common.
    for (auto& v : p) v = {int(rng() % (w + 20)) - 10, int(rng() % (h + 20)) - 10};
    ExpectAgree(p, w, h);
  }
}

}  // namespace
}  // namespace trv
