#include "terminal/term_sgr_color.h"

namespace r7n {
namespace {

constexpr int kBright = 8;
constexpr int kResetFg = 7;
constexpr int kResetBg = 0;
constexpr int kFgFirst = 31;
constexpr int kBgFirst = 41;
constexpr int kColorCount = 7;

// Console colour numbers for the sequence's colours red, green, yellow, blue,
// magenta, cyan, white: the console orders its colour bits the other way round.
constexpr int kConsoleColor[kColorCount] = {4, 2, 6, 1, 5, 3, 7};

bool InColorRange(int n, int first) {
  return n >= first && n < first + kColorCount;
}

}  // namespace

void TermSgrColor(TermColors& colors, int n) {
  switch (n) {
    case 0:
    case 2:
    case 4:
    case 5:
    case 8:  // concealed text would hide what the far end sends: treat it as a reset
      colors.fg = kResetFg;
      colors.bg = kResetBg;
      return;
    case 1:
      colors.fg |= kBright;
      return;
    case 30:
      colors.fg &= kBright;
      return;
    default:
      break;
  }
  if (InColorRange(n, kFgFirst)) {
    colors.fg = (colors.fg & kBright) | kConsoleColor[n - kFgFirst];
  } else if (InColorRange(n, kBgFirst)) {
    // Backgrounds are combined rather than replaced; only a reset clears one.
    colors.bg |= kConsoleColor[n - kBgFirst];
  }
}

}  // namespace r7n
