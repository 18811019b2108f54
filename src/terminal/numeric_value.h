#pragma once

#include <cstdint>
#include <string_view>

namespace r7n {

// The one text-to-number conversion of the program, for configuration values,
// macro codes and escape-sequence parameters. Leading spaces are skipped; then
// a decimal number (optional sign, fraction, exponent) or, after "&H", "&O" or
// "&B" (either case), an unsigned hexadecimal, octal or binary one. Reading
// stops at the first character that does not belong to the number; a text
// without a number gives 0. The result is always finite: magnitudes beyond
// the double range saturate instead of becoming infinite.
double NumericValue(std::string_view text);

// Rounds to the nearest integer, halves to even, and saturates at the ends of
// the 32-bit range, so that no text can overflow an integer. NaN gives 0.
std::int32_t RoundToInt(double value);

// RoundToInt(NumericValue(text)): what every integer setting of the program
// is read with.
std::int32_t NumericInt(std::string_view text);

}  // namespace r7n
