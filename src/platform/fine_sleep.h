#pragma once

#include <cstdint>

namespace r7n {

// Sleeps about us microseconds, as finely as the system allows: a receiver
// polled between such sleeps at 2,000,000 bit/s must be looked at within
// well under a millisecond.
void SleepFineUs(std::int64_t us);

}  // namespace r7n
