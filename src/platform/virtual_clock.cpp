#include "platform/virtual_clock.h"

#include <string>

namespace r7n {

void VirtualClock::SleepMs(int ms) {
  if (ms > 0) AdvanceUs(std::int64_t{ms} * 1000);
}

void VirtualClock::AdvanceUs(std::int64_t us) {
  if (us <= 0) return;
  now_us_ += us;
  if (now_us_ > limit_us_) {
    throw VirtualTimeLimit("virtual time passed its limit of " + std::to_string(limit_us_) + " us");
  }
}

}  // namespace r7n
