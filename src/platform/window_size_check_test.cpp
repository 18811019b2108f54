#include "platform/window_size_check.h"

#include <gtest/gtest.h>

namespace r7n {
namespace {

TEST(WindowTooSmallLine, OnlyBelowTheLayoutsAndItNamesTheSizes) {
  struct Case {
    WindowSize window;
    const char* line;
  };
  const Case cases[] = {
      {{25, 80}, ""},
      {{26, 81}, ""},
      {{50, 132}, ""},
      {{20, 70}, "The window is 70 x 20; make it at least 80 x 25."},
      {{24, 80}, "The window is 80 x 24; make it at least 80 x 25."},
      {{25, 79}, "The window is 79 x 25; make it at least 80 x 25."},
      {{60, 40}, "The window is 40 x 60; make it at least 80 x 25."},
      {{0, 0}, "The window is 0 x 0; make it at least 80 x 25."},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WindowTooSmallLine(c.window), c.line) << c.window.cols << " x " << c.window.rows;
  }
}

}  // namespace
}  // namespace r7n
