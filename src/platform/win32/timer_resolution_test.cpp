#include "platform/win32/timer_resolution.h"

#include <gtest/gtest.h>

namespace r7n {
namespace {

TEST(TimerResolution, RaisesToOneMillisecondAndNests) {
  const TimerResolution outer(1);
  EXPECT_TRUE(outer.Raised());
  const TimerResolution inner(1);
  EXPECT_TRUE(inner.Raised());
}

TEST(TimerResolution, ReportsAPeriodTheSystemRefuses) {
  const TimerResolution none(0);
  EXPECT_FALSE(none.Raised());
}

}  // namespace
}  // namespace r7n
