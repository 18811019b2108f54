#include "sim/catch_up_clock.h"

#include <algorithm>

namespace r7n::sim {

void CatchUpClock::SleepMs(int ms) {
  // Steps are measured against the clock, so the steps' own cost does not
  // lengthen the pause.
  const std::int64_t end_us = clock_.NowUs() + std::int64_t{ms} * 1000;
  for (std::int64_t now = clock_.NowUs(); now < end_us; now = clock_.NowUs()) {
    const auto left_ms = static_cast<int>((end_us - now + 999) / 1000);
    clock_.SleepMs(std::min(kStepMs, left_ms));
    chassis_.CatchUp();
  }
}

}  // namespace r7n::sim
