#pragma once

namespace r7n {

// The terminal's colour state: console colour numbers that the colour escape
// sequences change and that last from one terminal session to the next.
struct TermColors {
  int fg = 7;
  int bg = 0;
};

}  // namespace r7n
