#include "platform/window_size_check.h"

namespace r7n {

std::string WindowTooSmallLine(WindowSize window) {
  if (window.cols >= kMinimumWindow.cols && window.rows >= kMinimumWindow.rows) return "";
  return "The window is " + std::to_string(window.cols) + " x " + std::to_string(window.rows) +
         "; make it at least " + std::to_string(kMinimumWindow.cols) + " x " +
         std::to_string(kMinimumWindow.rows) + ".";
}

}  // namespace r7n
