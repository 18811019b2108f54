#pragma once

#include <cstdint>

namespace r7n {

// Time source for every pause of the program. The real clock sleeps; the
// virtual clock of the tests only moves its time forward.
class Clock {
 public:
  virtual ~Clock() = default;
  // Microseconds since an arbitrary start; never decreases.
  virtual std::int64_t NowUs() = 0;
  // Pauses for ms milliseconds; ms <= 0 returns at once.
  virtual void SleepMs(int ms) = 0;
  // Pauses for us microseconds, for polls that must come faster than a
  // millisecond apart; a clock without finer pauses rounds up to whole ones.
  virtual void SleepUs(std::int64_t us) {
    if (us > 0) SleepMs(static_cast<int>((us + 999) / 1000));
  }
};

}  // namespace r7n
