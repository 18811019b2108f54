#pragma once

#include <cstdint>

#include "platform/clock.h"
#include "sim/chassis.h"

namespace r7n::sim {

// The clock the program gets when it runs on the simulated chassis in real
// time. The chassis otherwise moves only when a port is accessed; a real far
// end must hear each byte as its frame ends and be read while the program
// pauses, so a sleep is cut into steps and the chassis catches up after each.
class CatchUpClock : public Clock {
 public:
  static constexpr std::int64_t kStepUs = 1000;

  // clock is the one the chassis runs on.
  CatchUpClock(Clock& clock, Chassis& chassis) : clock_(clock), chassis_(chassis) {}

  std::int64_t NowUs() override { return clock_.NowUs(); }
  void SleepMs(int ms) override;
  void SleepUs(std::int64_t us) override;

 private:
  Clock& clock_;
  Chassis& chassis_;
};

}  // namespace r7n::sim
