#pragma once

#include "platform/clock.h"

namespace r7n {

// Wall-clock time from the monotonic clock; SleepMs really sleeps.
class RealClock : public Clock {
 public:
  std::int64_t NowUs() override;
  void SleepMs(int ms) override;
  void SleepUs(std::int64_t us) override;
};

}  // namespace r7n
