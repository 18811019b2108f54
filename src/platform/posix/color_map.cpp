#include "platform/posix/color_map.h"

#include <utility>

namespace r7n {
namespace {

constexpr int kLightGrey = 7;
constexpr int kBright = 8;

int ColorsPerPairSide(ColorCapability capability) {
  return capability == ColorCapability::kSixteenColors ? 16 : 8;
}

// The pair numbers 0 and 7 * n trade places so that pair 0, fixed to the
// terminal's default colours, is light grey on black.
int SwapWithDefault(int index, int n) {
  const int default_index = IbmToAnsi(kLightGrey) * n;
  if (index == 0) return default_index;
  if (index == default_index) return 0;
  return index;
}

}  // namespace

ColorCapability ChooseColorCapability(bool has_colors, int colors, int color_pairs) {
  if (!has_colors) return ColorCapability::kMonochrome;
  if (colors >= 16 && color_pairs >= 16 * 16) return ColorCapability::kSixteenColors;
  if (colors >= 8 && color_pairs >= 8 * 8) return ColorCapability::kEightColors;
  return ColorCapability::kMonochrome;
}

int PairCount(ColorCapability capability) {
  if (capability == ColorCapability::kMonochrome) return 0;
  const int n = ColorsPerPairSide(capability);
  return n * n;
}

CellLook LookOf(int fg, int bg, ColorCapability capability) {
  fg &= 15;
  bg &= 15;
  switch (capability) {
    case ColorCapability::kMonochrome:
      return CellLook{0, (fg & kBright) != 0, bg != 0};
    case ColorCapability::kEightColors:
      return CellLook{SwapWithDefault(IbmToAnsi(fg & 7) * 8 + IbmToAnsi(bg & 7), 8),
                      (fg & kBright) != 0, false};
    case ColorCapability::kSixteenColors:
      return CellLook{SwapWithDefault(IbmToAnsi(fg) * 16 + IbmToAnsi(bg), 16), false, false};
  }
  return CellLook{};
}

PairColors ColorsOfPair(int pair, ColorCapability capability) {
  const int n = ColorsPerPairSide(capability);
  const int index = SwapWithDefault(pair, n);
  return PairColors{index / n, index % n};
}

}  // namespace r7n
