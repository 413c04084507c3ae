#include "game/GameTableRules.h"

#include <cmath>

namespace trv::gametable {
namespace {

// Position of each sector, sectors 1..14.
constexpr std::array<int, kSectors> kOrder{10, 3, 14, 7, 12, 5, 9, 2, 8, 1, 11, 4, 6, 13};

// Rounds halves to even, as the table's numbers always were.
int Nearest(double v) { return int(std::nearbyint(v)); }

int Wrap(int position) {
  while (position < 1) position += kSectors;
  while (position > kSectors) position -= kSectors;
  return position;
}

}  // namespace

int Order(int sector) { return sector >= 1 && sector <= kSectors ? kOrder[std::size_t(sector - 1)] : 0; }

int SectorAt(int position) {
  for (int s = 1; s <= kSectors; ++s)
    if (kOrder[std::size_t(s - 1)] == position) return s;
  return 0;
}

int FirstFrame(const std::function<double()>& unit) {
  int k = 0;
  for (int i = 0; i < 4; ++i) k += Nearest(unit() * kClipFrames / 10);
  return k;
}

int StartPosition(int sector, int k) { return Wrap(Order(sector) - Nearest(k / 25.1 * kSectors)); }

int SpinSound(int k) { return (kClipFrames - k) * 10 / kClipFrames; }

int NextOnWalk(int sector) { return SectorAt(Order(sector) == 1 ? kSectors : Order(sector) - 1); }

int LitBeforeWalk(int sector) { return SectorAt(Order(sector) == kSectors ? 1 : Order(sector) + 1); }

}  // namespace trv::gametable
