#pragma once

#include <functional>
#include <optional>

namespace r7n::bench {

// The UART divides its 125 MHz clock by a whole number per bit, so the rates
// it can be set to exactly are 125,000,000 / divisor bit/s.
int RateOfDivisor(int divisor);
int DivisorOfRate(int baud);

// Bisection for the fastest rate at which a session loses nothing, over the
// divisors from slowest down to fastest (slowest > fastest > 0). Assumes a
// divisor that loses makes every smaller one lose. Stops once the divisors
// either side of the boundary are within one part in resolution of each
// other; the answer is then the lossless one, which may be that much below
// the true boundary. Empty when even the slowest divisor loses.
std::optional<int> FastestLosslessDivisor(int slowest, int fastest, int resolution,
                                          const std::function<bool(int divisor)>& lossless);

}  // namespace r7n::bench
