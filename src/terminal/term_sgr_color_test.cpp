#include "terminal/term_sgr_color.h"

#include <gtest/gtest.h>

#include <climits>
#include <ostream>

namespace r7n {
namespace {

struct SgrCase {
  const char* name;
  TermColors before;
  int n;
  TermColors after;
  friend void PrintTo(const SgrCase& c, std::ostream* os) { *os << c.name; }
};

class TermSgrColorTest : public ::testing::TestWithParam<SgrCase> {};

TEST_P(TermSgrColorTest, AppliesOneParameter) {
  const SgrCase& c = GetParam();
  TermColors colors = c.before;
  TermSgrColor(colors, c.n);
  EXPECT_EQ(colors.fg, c.after.fg) << c.name;
  EXPECT_EQ(colors.bg, c.after.bg) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Parameters, TermSgrColorTest,
    ::testing::Values(
        SgrCase{"0 resets", {14, 6}, 0, {7, 0}}, SgrCase{"2 resets", {14, 6}, 2, {7, 0}},
        SgrCase{"4 resets", {14, 6}, 4, {7, 0}}, SgrCase{"5 resets", {14, 6}, 5, {7, 0}},
        SgrCase{"8 resets like 0", {14, 6}, 8, {7, 0}},
        SgrCase{"1 makes bright", {3, 1}, 1, {11, 1}},
        SgrCase{"1 on bright stays", {12, 0}, 1, {12, 0}},
        SgrCase{"30 keeps only bright", {13, 2}, 30, {8, 2}},
        SgrCase{"30 on dim gives black", {5, 2}, 30, {0, 2}}, SgrCase{"31 red", {7, 0}, 31, {4, 0}},
        SgrCase{"32 green keeps bright", {15, 0}, 32, {10, 0}},
        SgrCase{"33 yellow is brown", {1, 0}, 33, {6, 0}}, SgrCase{"34 blue", {7, 3}, 34, {1, 3}},
        SgrCase{"35 magenta keeps bright", {9, 0}, 35, {13, 0}},
        SgrCase{"36 cyan", {4, 0}, 36, {3, 0}}, SgrCase{"37 white", {0, 0}, 37, {7, 0}},
        SgrCase{"40 changes nothing", {7, 6}, 40, {7, 6}},
        SgrCase{"41 into black", {7, 0}, 41, {7, 4}},
        SgrCase{"42 combines with red", {7, 4}, 42, {7, 6}},
        SgrCase{"43 brown", {7, 0}, 43, {7, 6}},
        SgrCase{"44 combines with red", {7, 4}, 44, {7, 5}},
        SgrCase{"45 magenta", {7, 0}, 45, {7, 5}}, SgrCase{"46 cyan", {7, 0}, 46, {7, 3}},
        SgrCase{"47 white", {2, 1}, 47, {2, 7}}, SgrCase{"3 unknown", {12, 5}, 3, {12, 5}},
        SgrCase{"7 unknown", {12, 5}, 7, {12, 5}}, SgrCase{"9 unknown", {12, 5}, 9, {12, 5}},
        SgrCase{"38 unknown", {12, 5}, 38, {12, 5}}, SgrCase{"39 unknown", {12, 5}, 39, {12, 5}},
        SgrCase{"48 unknown", {12, 5}, 48, {12, 5}}, SgrCase{"91 unknown", {12, 5}, 91, {12, 5}},
        SgrCase{"negative unknown", {12, 5}, -31, {12, 5}},
        SgrCase{"huge unknown", {12, 5}, INT_MAX, {12, 5}}));

}  // namespace
}  // namespace r7n
