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

}  // namespace
}  // namespace r7n
