#include "terminal/numeric_value.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>
#include <string>

namespace r7n {
namespace {

constexpr double kHuge = std::numeric_limits<double>::max();
constexpr std::int32_t kIntMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kIntMin = std::numeric_limits<std::int32_t>::min();

struct ValueCase {
  std::string text;
  double value;
  std::int32_t rounded;
  friend void PrintTo(const ValueCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }
};

class NumericValueTest : public ::testing::TestWithParam<ValueCase> {};

TEST_P(NumericValueTest, ReadsTheNumberAtTheStartOfTheText) {
  const ValueCase& c = GetParam();
  const double value = NumericValue(c.text);
  EXPECT_TRUE(std::isfinite(value));
  EXPECT_DOUBLE_EQ(value, c.value);
  EXPECT_EQ(NumericInt(c.text), c.rounded);
}

INSTANTIATE_TEST_SUITE_P(NoNumber, NumericValueTest,
                         ::testing::Values(ValueCase{"", 0, 0}, ValueCase{"&", 0, 0},
                                           ValueCase{"   ", 0, 0}, ValueCase{"abc", 0, 0},
                                           ValueCase{"-", 0, 0}, ValueCase{".", 0, 0},
                                           ValueCase{"- 5", 0, 0}, ValueCase{"\t5", 0, 0},
                                           ValueCase{"&X10", 0, 0}, ValueCase{"&H", 0, 0},
                                           ValueCase{"&17", 0, 0}, ValueCase{"-&H10", 0, 0},
                                           ValueCase{"e5", 0, 0}));

INSTANTIATE_TEST_SUITE_P(Decimal, NumericValueTest,
                         ::testing::Values(ValueCase{"42", 42, 42}, ValueCase{"  42abc", 42, 42},
                                           ValueCase{"-7", -7, -7}, ValueCase{"+7", 7, 7},
                                           ValueCase{"9600\r", 9600, 9600},
                                           ValueCase{"12 34", 12, 12}, ValueCase{"007", 7, 7},
                                           ValueCase{".5", 0.5, 0}, ValueCase{"1.", 1, 1},
                                           ValueCase{"1.5.3", 1.5, 2}, ValueCase{"-.25", -0.25, 0},
                                           ValueCase{"1e3", 1000, 1000},
                                           ValueCase{"1.5E2", 150, 150}, ValueCase{"25e-1", 2.5, 2},
                                           ValueCase{"2e", 2, 2}, ValueCase{"2e+", 2, 2},
                                           ValueCase{"2E-x", 2, 2}, ValueCase{"3e1x", 30, 30},
                                           ValueCase{"0e400", 0, 0}));

INSTANTIATE_TEST_SUITE_P(HalvesToEven, NumericValueTest,
                         ::testing::Values(ValueCase{"2.5", 2.5, 2}, ValueCase{"3.5", 3.5, 4},
                                           ValueCase{"0.5", 0.5, 0}, ValueCase{"1.5", 1.5, 2},
                                           ValueCase{"-2.5", -2.5, -2}, ValueCase{"-3.5", -3.5, -4},
                                           ValueCase{"2.4999", 2.4999, 2},
                                           ValueCase{"2.5001", 2.5001, 3},
                                           ValueCase{"-0.4", -0.4, 0}));

INSTANTIATE_TEST_SUITE_P(
    Prefixed, NumericValueTest,
    ::testing::Values(ValueCase{"&HFF", 255, 255}, ValueCase{"&hff", 255, 255},
                      ValueCase{"&H1G", 1, 1}, ValueCase{"  &H10", 16, 16},
                      ValueCase{"&H2580 baud", 9600, 9600}, ValueCase{"&O17", 15, 15},
                      ValueCase{"&o78", 7, 7}, ValueCase{"&O8", 0, 0}, ValueCase{"&B101", 5, 5},
                      ValueCase{"&b1021", 2, 2}, ValueCase{"&B2", 0, 0},
                      ValueCase{"&HFFFF", 65535, 65535}, ValueCase{"&H7FFFFFFF", kIntMax, kIntMax},
                      ValueCase{"&HFFFFFFFFFFFF", 281474976710655.0, kIntMax}));

INSTANTIATE_TEST_SUITE_P(
    SaturatesInsteadOfOverflowing, NumericValueTest,
    ::testing::Values(ValueCase{"1e400", kHuge, kIntMax}, ValueCase{"-1e400", -kHuge, kIntMin},
                      ValueCase{"1e-400", 0, 0}, ValueCase{"-1e-400", 0, 0},
                      ValueCase{"1e99999999999999999999", kHuge, kIntMax},
                      ValueCase{"0.0001e-99999999999", 0, 0},
                      ValueCase{"1" + std::string(400, '0'), kHuge, kIntMax},
                      ValueCase{"0." + std::string(400, '0') + "1", 0, 0},
                      ValueCase{"1" + std::string(400, '0') + "e-390", 1e10, kIntMax},
                      ValueCase{"&H" + std::string(300, 'F'), kHuge, kIntMax},
                      // A fraction whose first digit counts overflows as well.
                      ValueCase{".65E454", kHuge, kIntMax}, ValueCase{"-0.9e309", -kHuge, kIntMin},
                      ValueCase{"0.5e-400", 0, 0}, ValueCase{"2147483647", kIntMax, kIntMax},
                      ValueCase{"2147483648", 2147483648.0, kIntMax},
                      ValueCase{"-2147483648", kIntMin, kIntMin},
                      ValueCase{"-2147483649", -2147483649.0, kIntMin},
                      ValueCase{"2147483646.5", 2147483646.5, 2147483646}));

struct RoundCase {
  double value;
  std::int32_t rounded;
};

class RoundToIntTest : public ::testing::TestWithParam<RoundCase> {};

TEST_P(RoundToIntTest, RoundsHalvesToEvenWithinTheIntegerRange) {
  EXPECT_EQ(RoundToInt(GetParam().value), GetParam().rounded);
}

INSTANTIATE_TEST_SUITE_P(
    Values, RoundToIntTest,
    ::testing::Values(RoundCase{std::numeric_limits<double>::quiet_NaN(), 0},
                      RoundCase{std::numeric_limits<double>::infinity(), kIntMax},
                      RoundCase{-std::numeric_limits<double>::infinity(), kIntMin},
                      RoundCase{-0.5, 0}, RoundCase{0.5, 0}, RoundCase{0.51, 1},
                      RoundCase{-1.5, -2}, RoundCase{4.5, 4}, RoundCase{5.5, 6},
                      RoundCase{-2147483648.4, kIntMin}, RoundCase{2147483647.4, kIntMax},
                      RoundCase{1e300, kIntMax}, RoundCase{-1e300, kIntMin}));

}  // namespace
}  // namespace r7n
