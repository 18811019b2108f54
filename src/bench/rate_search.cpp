#include "bench/rate_search.h"

#include <cmath>

namespace r7n::bench {
namespace {

constexpr double kUartClockHz = 125'000'000.0;

}  // namespace

int RateOfDivisor(int divisor) {
  return static_cast<int>(std::lround(kUartClockHz / divisor));
}

int DivisorOfRate(int baud) {
  return static_cast<int>(std::lround(kUartClockHz / baud));
}

std::optional<int> FastestLosslessDivisor(int slowest, int fastest, int resolution,
                                          const std::function<bool(int divisor)>& lossless) {
  if (!lossless(slowest)) return std::nullopt;
  if (lossless(fastest)) return fastest;
  int good = slowest;
  int bad = fastest;
  while (good - bad > 1 && (good - bad) * resolution > bad) {
    const int middle = bad + (good - bad) / 2;
    if (lossless(middle)) {
      good = middle;
    } else {
      bad = middle;
    }
  }
  return good;
}

}  // namespace r7n::bench
