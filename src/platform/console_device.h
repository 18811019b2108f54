#pragma once

#include <string>
#include <vector>

#include "platform/screen_image.h"

namespace r7n {

struct WindowSize {
  int rows = 0;
  int cols = 0;
};

// The text console the program draws on: a backend only shows the screen
// image that the console layer keeps, and hands over the key presses it has
// collected, already translated to Key codes (one byte, or 0xFF and the
// extended code).
class ConsoleDevice {
 public:
  virtual ~ConsoleDevice() = default;
  // The size of the screen: the window's when the backend started (at least
  // 80 x 25). It never changes; while the window is smaller, the backend
  // says so on one line instead of drawing the screen.
  virtual WindowSize Size() const = 0;
  // Brings the visible window up to date with the image.
  virtual void Show(const ScreenImage& image) = 0;
  // Appends every key press that has arrived since the last call, oldest first;
  // never blocks.
  virtual void PollKeys(std::vector<std::string>& keys) = 0;
  // Sounds a tone. Returns when it has ended, or at once if the backend cannot
  // time it; the console layer makes up the rest of the duration.
  virtual void Beep(int hz, int ms) = 0;
};

}  // namespace r7n
