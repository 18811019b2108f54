#include "platform/window_size_check.h"

#include <gtest/gtest.h>

namespace r7n {
namespace {

TEST(WindowSizeProblem, AcceptsEightyByTwentyFiveAndLarger) {
  for (WindowSize size : {WindowSize{25, 80}, WindowSize{26, 81}, WindowSize{50, 132}}) {
    EXPECT_EQ(WindowSizeProblem(size), "") << size.cols << " x " << size.rows;
  }
}

TEST(WindowSizeProblem, NamesTheSizeOfATooSmallWindow) {
  struct Case {
    WindowSize size;
    const char* message;
  };
  const Case cases[] = {
      {{20, 70}, "r7n_uart: the window is 70 x 20; it must be at least 80 columns by 25 rows"},
      {{24, 80}, "r7n_uart: the window is 80 x 24; it must be at least 80 columns by 25 rows"},
      {{25, 79}, "r7n_uart: the window is 79 x 25; it must be at least 80 columns by 25 rows"},
      {{60, 40}, "r7n_uart: the window is 40 x 60; it must be at least 80 columns by 25 rows"},
      {{0, 0}, "r7n_uart: the window is 0 x 0; it must be at least 80 columns by 25 rows"},
  };
  for (const Case& c : cases) EXPECT_EQ(WindowSizeProblem(c.size), c.message);
}

}  // namespace
}  // namespace r7n
