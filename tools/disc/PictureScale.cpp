#include "disc/PictureScale.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "disc/DiscError.h"
#include "platform/Bmp.h"

namespace trv::disc {
namespace {

struct Share {
  int source;
  std::uint64_t weight;
};

// For each of `to` target cells, the source cells it covers and by how much.
// A target cell spans `from` units and a source cell `to` units, so every
// target cell's weights add up to `from` and no fraction is lost.
std::vector<std::vector<Share>> Shares(int from, int to) {
  std::vector<std::vector<Share>> out(static_cast<std::size_t>(to));
  for (int t = 0; t < to; ++t) {
    const std::int64_t begin = std::int64_t(t) * from;
    const std::int64_t end = begin + from;
    for (std::int64_t s = begin / to; s * to < end && s < from; ++s) {
      const std::int64_t lo = std::max(begin, s * to);
      const std::int64_t hi = std::min(end, (s + 1) * to);
      if (hi > lo) out[std::size_t(t)].push_back({int(s), std::uint64_t(hi - lo)});
    }
  }
  return out;
}

}  // namespace

Bitmap ScaleBoxFilter(const Bitmap& src, int width, int height) {
  if (src.Empty()) throw DiscError("the picture to scale is empty");
  if (width <= 0 || height <= 0 || width > kMaxBmpDimension || height > kMaxBmpDimension)
    throw DiscError("a picture cannot be " + std::to_string(width) + " x " + std::to_string(height) + " pixels");
  const auto columns = Shares(src.Width(), width);
  const auto rows = Shares(src.Height(), height);
  const std::uint64_t total = std::uint64_t(src.Width()) * std::uint64_t(src.Height());
  Bitmap out(width, height);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* target = out.Row(y);
    for (int x = 0; x < width; ++x) {
      std::uint64_t sum[3] = {0, 0, 0};
      for (const Share& row : rows[std::size_t(y)]) {
        const std::uint8_t* line = src.Row(row.source);
        for (const Share& column : columns[std::size_t(x)]) {
          const std::uint64_t w = row.weight * column.weight;
          const std::uint8_t* px = line + std::size_t(column.source) * 3;
          for (int c = 0; c < 3; ++c) sum[c] += w * px[c];
        }
      }
      for (int c = 0; c < 3; ++c) target[std::size_t(x) * 3 + std::size_t(c)] = std::uint8_t((sum[c] + total / 2) / total);
    }
  }
  return out;
}

}  // namespace trv::disc
