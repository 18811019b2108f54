#include "bench/rate_search.h"

#include <gtest/gtest.h>

namespace r7n::bench {
namespace {

constexpr int kSlowest = 1085;
constexpr int kFastest = 8;

// Sessions that lose nothing at a divisor of `boundary` or more. A fine
// resolution must find the boundary itself; a coarse one a lossless divisor
// no further from it than the resolution allows.
TEST(FastestLosslessDivisor, FindsTheBoundaryWithinItsResolution) {
  struct Case {
    int boundary;
    int resolution;
    std::optional<int> exact;
  };
  const Case cases[] = {
      {kSlowest + 1, 1000, std::nullopt},  // even the slowest loses
      {kSlowest, 1000, kSlowest},
      {kSlowest - 1, 1000, kSlowest - 1},
      {137, 1000, 137},
      {kFastest + 1, 1000, kFastest + 1},
      {kFastest, 1000, kFastest},
      {1, 1000, kFastest},  // nothing beyond the fastest is tried
      {137, 32, {}},
      {13, 32, {}},
      {900, 16, {}},
  };
  for (const Case& c : cases) {
    int calls = 0;
    const std::optional<int> found =
        FastestLosslessDivisor(kSlowest, kFastest, c.resolution, [&](int divisor) {
          EXPECT_GE(divisor, kFastest);
          EXPECT_LE(divisor, kSlowest);
          ++calls;
          return divisor >= c.boundary;
        });
    EXPECT_LE(calls, 13) << "boundary " << c.boundary;
    if (c.resolution == 1000) {
      EXPECT_EQ(found, c.exact) << "boundary " << c.boundary;
      continue;
    }
    ASSERT_TRUE(found.has_value()) << "boundary " << c.boundary;
    EXPECT_GE(*found, c.boundary);
    EXPECT_LE((*found - c.boundary) * c.resolution, *found) << "boundary " << c.boundary;
  }
}

}  // namespace
}  // namespace r7n::bench
