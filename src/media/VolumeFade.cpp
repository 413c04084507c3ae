#include "media/VolumeFade.h"

#include <algorithm>
#include <cmath>

namespace trv {

TVolumeFade::TVolumeFade(std::uint16_t left, std::uint16_t right, bool up, std::optional<std::int32_t> level)
    : left_(left ? left : 1), right_(right ? right : 1), up_(up) {
  float ratio = 0;
  if (right_ > left_) {
    louder_ = std::int32_t(right_);
    ratio = float(right_) / float(left_);
  } else {
    louder_ = std::int32_t(left_);
    ratio = float(left_) / float(right_);
  }
  // The default rounding of the floating-point environment: halves to even.
  divisor_ = std::max<std::int32_t>(1, std::int32_t(std::nearbyint(ratio)));
  level_ = level ? std::clamp(*level, 0, louder_) : up ? 0 : louder_;
}

std::int32_t TVolumeFade::Step(std::int32_t level) {
  if (level <= 100) return 3;
  if (level <= 4000) return 7;
  if (level <= 8000) return 15;
  if (level <= 32000) return 25;
  return 50;
}

TVolumeFade::Volume TVolumeFade::Tick() {
  const auto loud = std::uint16_t(std::max(0, level_));
  const auto soft = std::uint16_t(std::max(0, level_) / divisor_);
  // With equal channels the right one counts as the louder.
  Volume v = right_ >= left_ ? Volume{soft, loud} : Volume{loud, soft};
  const std::int32_t step = Step(level_);
  if (up_) {
    level_ += step;
    if (level_ >= louder_) {
      done_ = true;
      v = {std::uint16_t(left_), std::uint16_t(right_)};
    }
  } else {
    level_ -= step;
    if (level_ <= 0) {
      done_ = true;
      v = {0, 0};
    }
  }
  return v;
}

}  // namespace trv
