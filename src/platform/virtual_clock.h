#pragma once

#include <cstdint>
#include <stdexcept>

#include "platform/clock.h"

namespace r7n {

// Thrown when virtual time passes the limit a test set: the program under test
// is waiting for something that will never come.
class VirtualTimeLimit : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Test time: sleeping only moves the time forward, so a flow that takes
// seconds on the bench takes microseconds here and always the same amount.
class VirtualClock : public Clock {
 public:
  static constexpr std::int64_t kNoLimit = INT64_MAX;

  std::int64_t NowUs() override { return now_us_; }
  void SleepMs(int ms) override;
  void SleepUs(std::int64_t us) override { AdvanceUs(us); }

  void AdvanceUs(std::int64_t us);
  // Past this time every advance throws VirtualTimeLimit.
  void SetLimitUs(std::int64_t limit_us) { limit_us_ = limit_us; }

 private:
  std::int64_t now_us_ = 0;
  std::int64_t limit_us_ = kNoLimit;
};

}  // namespace r7n
