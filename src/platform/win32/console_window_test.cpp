#include "platform/win32/console_window.h"

#include <gtest/gtest.h>

namespace r7n {
namespace {

TEST(ConsoleWindowSize, CountsBothCornersIn) {
  struct Case {
    int left, top, right, bottom;
    WindowSize size;
  };
  const Case cases[] = {
      {0, 0, 79, 24, {25, 80}},
      {0, 275, 119, 304, {30, 120}},  // scrolled down the buffer
      {4, 0, 83, 24, {25, 80}},       // scrolled sideways
      {0, 0, 0, 0, {1, 1}},
  };
  for (const Case& c : cases) {
    const WindowSize size = ConsoleWindowSize(c.left, c.top, c.right, c.bottom);
    EXPECT_EQ(size.rows, c.size.rows)
        << c.left << "," << c.top << " " << c.right << "," << c.bottom;
    EXPECT_EQ(size.cols, c.size.cols)
        << c.left << "," << c.top << " " << c.right << "," << c.bottom;
  }
}

TEST(ConsoleWindowProblem, AcceptsEightyByTwentyFiveAndLarger) {
  for (WindowSize size : {WindowSize{25, 80}, WindowSize{26, 81}, WindowSize{50, 132}}) {
    EXPECT_EQ(ConsoleWindowProblem(size), "") << size.cols << " x " << size.rows;
  }
}

TEST(ConsoleWindowProblem, NamesTheSizeOfATooSmallWindow) {
  struct Case {
    WindowSize size;
    const char* message;
  };
  const Case cases[] = {
      {{20, 70}, "r7n_uart: the window is 70 x 20; it must be at least 80 columns by 25 rows"},
      {{24, 80}, "r7n_uart: the window is 80 x 24; it must be at least 80 columns by 25 rows"},
      {{25, 79}, "r7n_uart: the window is 79 x 25; it must be at least 80 columns by 25 rows"},
      {{300, 40}, "r7n_uart: the window is 40 x 300; it must be at least 80 columns by 25 rows"},
  };
  for (const Case& c : cases) EXPECT_EQ(ConsoleWindowProblem(c.size), c.message);
}

}  // namespace
}  // namespace r7n
