#pragma once

#include <cstdint>

namespace r7n {

// How many colours the terminal can show, as far as the console needs to know.
enum class ColorCapability {
  kMonochrome,    // no colour: reverse video stands for a background
  kEightColors,   // bright foregrounds as bold, bright backgrounds as their base colour
  kSixteenColors  // every console colour as itself
};

// Picks the richest capability the terminal supports: sixteen colours need all
// 256 combinations as colour pairs, eight colours need 64.
ColorCapability ChooseColorCapability(bool has_colors, int colors, int color_pairs);

// A console colour number (IBM order: 1 blue, 4 red) as the terminal's colour
// number (ANSI order: 1 red, 4 blue); bits 0 and 2 trade places, bright stays.
constexpr int IbmToAnsi(int color) {
  return (color & 0b1010) | ((color & 1) << 2) | ((color & 4) >> 2);
}

// How one cell's colours are shown: a colour pair and the attributes on top.
struct CellLook {
  int pair = 0;
  bool bold = false;
  bool reverse = false;
  friend bool operator==(const CellLook&, const CellLook&) = default;
};

// The terminal's colour numbers that make up a colour pair.
struct PairColors {
  int fg = 0;
  int bg = 0;
  friend bool operator==(const PairColors&, const PairColors&) = default;
};

// Colour pairs are numbered fg * n + bg over the terminal's colour numbers,
// n being 8 or 16, except that pair 0 cannot be defined and is always the
// terminal's default colours. The backend makes those light grey on black,
// the console's own default, so light grey on black takes pair 0 and black on
// black takes the number light grey on black would have had (7 * n).

// Number of colour pairs the capability uses, pair 0 included (0 for monochrome).
int PairCount(ColorCapability capability);

// The pair and attributes that show console colours fg on bg (0-15).
CellLook LookOf(int fg, int bg, ColorCapability capability);

// The terminal colours to give pair 1 .. PairCount() - 1 at start-up.
PairColors ColorsOfPair(int pair, ColorCapability capability);

}  // namespace r7n
