#include "platform/win32/console_window.h"

namespace r7n {

WindowSize ConsoleWindowSize(int left, int top, int right, int bottom) {
  return {bottom - top + 1, right - left + 1};
}

}  // namespace r7n
