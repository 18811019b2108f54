#include "platform/posix/color_map.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

namespace r7n {
namespace {

struct NamedColor {
  int ibm;
  int ansi;
};

// The console colour names against the terminal's ANSI numbering (0 black,
// 1 red, 2 green, 3 yellow, 4 blue, 5 magenta, 6 cyan, 7 white; +8 bright).
constexpr NamedColor kColors[] = {
    {0, 0},    // black
    {1, 4},    // blue
    {2, 2},    // green
    {3, 6},    // cyan
    {4, 1},    // red
    {5, 5},    // magenta
    {6, 3},    // brown
    {7, 7},    // light grey
    {8, 8},    // dark grey
    {9, 12},   // light blue
    {10, 10},  // light green
    {11, 14},  // light cyan
    {12, 9},   // light red
    {13, 13},  // light magenta
    {14, 11},  // yellow
    {15, 15},  // white
};

TEST(IbmToAnsi, EveryConsoleColourBecomesTheTerminalsNumberForIt) {
  for (const NamedColor& c : kColors) EXPECT_EQ(IbmToAnsi(c.ibm), c.ansi) << "colour " << c.ibm;
}

TEST(ChooseColorCapability, TakesTheRichestTheTerminalCanShow) {
  struct Case {
    bool has_colors;
    int colors;
    int pairs;
    ColorCapability expected;
  };
  const Case cases[] = {
      {false, 256, 65536, ColorCapability::kMonochrome},
      {true, 2, 2, ColorCapability::kMonochrome},
      {true, 8, 63, ColorCapability::kMonochrome},
      {true, 8, 64, ColorCapability::kEightColors},
      {true, 16, 64, ColorCapability::kEightColors},
      {true, 16, 255, ColorCapability::kEightColors},
      {true, 16, 256, ColorCapability::kSixteenColors},
      {true, 256, 32767, ColorCapability::kSixteenColors},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ChooseColorCapability(c.has_colors, c.colors, c.pairs), c.expected)
        << c.has_colors << " " << c.colors << " " << c.pairs;
  }
}

// Pair 0 cannot be defined; it must be exactly the combinations that show as
// light grey on black.
TEST(LookOf, OnlyLightGreyOnBlackUsesTheDefaultPair) {
  using Combination = std::pair<int, int>;
  struct Case {
    ColorCapability cap;
    std::set<Combination> expected;
  };
  const Case cases[] = {
      {ColorCapability::kSixteenColors, {{7, 0}}},
      {ColorCapability::kEightColors, {{7, 0}, {15, 0}, {7, 8}, {15, 8}}},
  };
  for (const Case& c : cases) {
    std::set<Combination> on_default;
    for (int fg = 0; fg < 16; ++fg) {
      for (int bg = 0; bg < 16; ++bg) {
        if (LookOf(fg, bg, c.cap).pair == 0) on_default.insert({fg, bg});
      }
    }
    EXPECT_EQ(on_default, c.expected);
  }
}

TEST(LookOf, SixteenColoursGiveEveryCombinationItsOwnPairAndNoAttributes) {
  const ColorCapability cap = ColorCapability::kSixteenColors;
  std::set<int> pairs;
  for (int fg = 0; fg < 16; ++fg) {
    for (int bg = 0; bg < 16; ++bg) {
      const CellLook look = LookOf(fg, bg, cap);
      EXPECT_GE(look.pair, 0);
      EXPECT_LT(look.pair, PairCount(cap));
      EXPECT_FALSE(look.bold);
      EXPECT_FALSE(look.reverse);
      pairs.insert(look.pair);
      if (look.pair != 0) {
        EXPECT_EQ(ColorsOfPair(look.pair, cap), (PairColors{IbmToAnsi(fg), IbmToAnsi(bg)}))
            << fg << " on " << bg;
      }
    }
  }
  EXPECT_EQ(pairs.size(), 256u);
  EXPECT_EQ(PairCount(cap), 256);
}

TEST(LookOf, EightColoursShowBrightForegroundsBoldAndBrightBackgroundsAsTheirBase) {
  const ColorCapability cap = ColorCapability::kEightColors;
  std::set<int> pairs;
  for (int fg = 0; fg < 16; ++fg) {
    for (int bg = 0; bg < 16; ++bg) {
      const CellLook look = LookOf(fg, bg, cap);
      EXPECT_GE(look.pair, 0);
      EXPECT_LT(look.pair, PairCount(cap));
      EXPECT_EQ(look.bold, fg >= 8) << fg << " on " << bg;
      EXPECT_FALSE(look.reverse);
      EXPECT_EQ(look.pair, LookOf(fg & 7, bg & 7, cap).pair) << fg << " on " << bg;
      pairs.insert(look.pair);
      if (look.pair != 0) {
        EXPECT_EQ(ColorsOfPair(look.pair, cap), (PairColors{IbmToAnsi(fg & 7), IbmToAnsi(bg & 7)}))
            << fg << " on " << bg;
      }
    }
  }
  EXPECT_EQ(pairs.size(), 64u);
  EXPECT_EQ(PairCount(cap), 64);
}

TEST(LookOf, MonochromeShowsAnyBackgroundReversedAndBrightForegroundsBold) {
  for (int fg = 0; fg < 16; ++fg) {
    for (int bg = 0; bg < 16; ++bg) {
      EXPECT_EQ(LookOf(fg, bg, ColorCapability::kMonochrome), (CellLook{0, fg >= 8, bg != 0}))
          << fg << " on " << bg;
    }
  }
  EXPECT_EQ(PairCount(ColorCapability::kMonochrome), 0);
}

TEST(ColorsOfPair, BlackOnBlackTakesThePairNumberLeftFreeByTheDefault) {
  EXPECT_EQ(ColorsOfPair(7 * 16, ColorCapability::kSixteenColors), (PairColors{0, 0}));
  EXPECT_EQ(ColorsOfPair(7 * 8, ColorCapability::kEightColors), (PairColors{0, 0}));
  EXPECT_EQ(LookOf(0, 0, ColorCapability::kSixteenColors).pair, 7 * 16);
}

}  // namespace
}  // namespace r7n
