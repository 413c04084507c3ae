#pragma once

#include <cstdint>

namespace trv {

struct LocalTime {
  int year = 0, month = 0, day = 0;      // month 1..12
  int hour = 0, minute = 0, second = 0;
  int millisecond = 0;
  int dayOfWeek = 0;                      // 0 = Sunday
};

// Time as the program sees it. NowMs is monotonic: countdowns measured on it
// survive midnight and changes of the wall clock.
class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds since the platform started.
  virtual std::uint64_t NowMs() const = 0;
  // The local date and time of day.
  virtual LocalTime Now() const = 0;
};

}  // namespace trv
