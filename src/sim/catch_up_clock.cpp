#include "sim/catch_up_clock.h"

#include <algorithm>

namespace r7n::sim {

void CatchUpClock::SleepMs(int ms) {
  SleepUs(std::int64_t{ms} * 1000);
}

void CatchUpClock::SleepUs(std::int64_t us) {
  // Steps are measured against the clock, so the steps' own cost does not
  // lengthen the pause.
  const std::int64_t end_us = clock_.NowUs() + us;
  for (std::int64_t now = clock_.NowUs(); now < end_us; now = clock_.NowUs()) {
    clock_.SleepUs(std::min(kStepUs, end_us - now));
    chassis_.CatchUp();
  }
}

}  // namespace r7n::sim
