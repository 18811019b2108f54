#include "platform/window_size_check.h"

namespace r7n {

std::string WindowSizeProblem(WindowSize size) {
  if (size.cols >= kMinimumWindow.cols && size.rows >= kMinimumWindow.rows) return "";
  return "r7n_uart: the window is " + std::to_string(size.cols) + " x " +
         std::to_string(size.rows) + "; it must be at least " +
         std::to_string(kMinimumWindow.cols) + " columns by " +
         std::to_string(kMinimumWindow.rows) + " rows";
}

std::string WindowTooSmallLine(WindowSize window, WindowSize screen) {
  if (window.cols >= screen.cols && window.rows >= screen.rows) return "";
  return "The window is " + std::to_string(window.cols) + " x " + std::to_string(window.rows) +
         "; make it at least " + std::to_string(screen.cols) + " x " + std::to_string(screen.rows) +
         ".";
}

}  // namespace r7n
