#pragma once

#include <cstdint>

#include "platform/clock.h"

namespace r7n::sim {

// For the simulator's tests: time moves only when a test sets it or the
// code under test sleeps, so each step of a device can be looked at.
class ManualClock : public Clock {
 public:
  std::int64_t NowUs() override { return now_us_; }
  void SleepMs(int ms) override { now_us_ += std::int64_t{ms} * 1000; }
  void SetUs(std::int64_t us) { now_us_ = us; }

 private:
  std::int64_t now_us_ = 0;
};

}  // namespace r7n::sim
