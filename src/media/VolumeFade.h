#pragma once

#include <cstdint>
#include <optional>

namespace trv {

// The steps of a fade of the program's two-channel output volume: the louder
// channel moves by a step that grows with its level (3 at the quietest, 50 at
// the loudest), the other channel follows at the louder one's level divided
// by their ratio, and a fade-in ends exactly on the volume it found. Pure
// arithmetic; the music drives it from a 1 ms timer.
class TVolumeFade {
 public:
  // `left` and `right` are the volume found (0 counts as 1); `up` fades in from
  // silence to it, otherwise out from it to silence. A fade that takes over
  // from another starts at that one's `level` instead.
  TVolumeFade(std::uint16_t left, std::uint16_t right, bool up, std::optional<std::int32_t> level = {});

  // The volume to set at the next tick, then the level moves on; Done() is
  // true after the tick that set the final volume.
  struct Volume {
    std::uint16_t left;
    std::uint16_t right;
  };
  Volume Tick();
  bool Done() const { return done_; }
  bool Up() const { return up_; }
  // The louder channel's level at the next tick.
  std::int32_t Level() const { return level_; }
  // The volume the fade found, as it restores it.
  std::uint16_t Left() const { return std::uint16_t(left_); }
  std::uint16_t Right() const { return std::uint16_t(right_); }

  // The level step at `level`.
  static std::int32_t Step(std::int32_t level);

 private:
  std::uint32_t left_;
  std::uint32_t right_;
  std::int32_t louder_;
  std::int32_t divisor_;  // the channels' ratio, to the nearest integer (halves to even)
  std::int32_t level_;
  bool up_;
  bool done_ = false;
};

}  // namespace trv
