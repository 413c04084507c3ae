#pragma once

#include <array>
#include <functional>

// The arithmetic of the game table: where each of the fourteen sectors lies
// around the table, where the top starts, which spin sound a spin takes, and
// where the walk past played sectors goes. Plain functions, so that every
// rule can be checked without a window.
namespace trv::gametable {

constexpr int kSectors = 14;
constexpr int kClipFrames = 251;

// The position (1..14) of sector `sector` (1..14) around the table; 0 outside.
int Order(int sector);
// The sector at position `position` (1..14); 0 outside.
int SectorAt(int position);

// The first frame of the spin clip: four draws of `unit` (0 <= u < 1), each
// rounded from u * 251 / 10, added up (0..100).
int FirstFrame(const std::function<double()>& unit);
// Where the top points before the spin that ends at `sector` from frame `k`.
int StartPosition(int sector, int k);
// The number of the spin sound (6..10): a longer spin, a higher number.
int SpinSound(int k);
// The next sector the walk looks at after `sector`, whose question was
// played: the one at the position before it, around the table.
int NextOnWalk(int sector);
// The sector whose arrows are taken back after the walk left it: the one at
// the position after `sector`, around the table.
int LitBeforeWalk(int sector);

}  // namespace trv::gametable
