// The numeric value of a text: arbitrary bytes as the text. Checked against a
// plain reference for decimal and prefixed numbers, and for the rules that hold
// for every text: a finite result, leading spaces skipped, reading stops at
// the first byte that is no part of the number and never goes past the text.

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "terminal/numeric_value.h"

namespace r7n::fuzz {
namespace {

// Prefixes checked against a copy of their own; the number ends long before
// this in every text that matters, and it keeps one run short.
constexpr std::size_t kPrefixChecks = 40;

bool SameValue(double a, double b) {
  return a == b;  // the results are finite, and -0 equals 0 here as in use
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The value a decimal text has, read by the C library from the longest
// leading part that forms a number: [+-] digits [. digits] [E [+-] digits],
// at least one digit before the exponent, the exponent only with digits.
// Empty when the text does not start like a decimal number.
std::optional<double> ReferenceDecimal(std::string_view text) {
  std::size_t pos = 0;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  const std::size_t mantissa_begin = pos;
  std::size_t digits = 0;
  for (; pos < text.size() && IsDigit(text[pos]); ++pos) ++digits;
  if (pos < text.size() && text[pos] == '.') {
    ++pos;
    for (; pos < text.size() && IsDigit(text[pos]); ++pos) ++digits;
  }
  if (digits == 0) return std::nullopt;
  std::size_t end = pos;
  if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
    std::size_t exp = pos + 1;
    if (exp < text.size() && (text[exp] == '+' || text[exp] == '-')) ++exp;
    const std::size_t exp_digits = exp;
    while (exp < text.size() && IsDigit(text[exp])) ++exp;
    if (exp > exp_digits) end = exp;
  }
  const std::string number(text.substr(mantissa_begin, end - mantissa_begin));
  double value = std::strtod(number.c_str(), nullptr);
  if (std::isinf(value)) value = DBL_MAX;  // the conversion saturates instead
  return negative ? -value : value;
}

int RadixOf(char letter) {
  switch (letter) {
    case 'H':
    case 'h':
      return 16;
    case 'O':
    case 'o':
      return 8;
    case 'B':
    case 'b':
      return 2;
    default:
      return 0;
  }
}

int DigitOf(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 99;
}

struct RadixReference {
  double value = 0;
  bool exact = true;  // false once the value no longer fits 53 bits
};

// "&H", "&O", "&B" and their digits; a value of 53 bits or less is exact.
RadixReference ReferenceRadix(std::string_view text) {
  RadixReference ref;
  const int radix = text.size() >= 2 ? RadixOf(text[1]) : 0;
  if (radix == 0) return ref;
  std::uint64_t value = 0;
  constexpr std::uint64_t kExactLimit = std::uint64_t{1} << 53;
  for (std::size_t i = 2; i < text.size(); ++i) {
    const int digit = DigitOf(text[i]);
    if (digit >= radix) break;
    const auto r = static_cast<std::uint64_t>(radix);
    const auto d = static_cast<std::uint64_t>(digit);
    if (value > (kExactLimit - d) / r) {
      ref.exact = false;  // beyond 2^53: the double may round
      break;
    }
    value = value * r + d;
  }
  ref.value = static_cast<double>(value);
  return ref;
}

std::int32_t ReferenceRound(double value) {
  if (std::isnan(value)) return 0;
  // The default rounding mode rounds halves to even.
  const double rounded = std::nearbyint(value);
  if (rounded >= static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
    return std::numeric_limits<std::int32_t>::max();
  }
  if (rounded <= static_cast<double>(std::numeric_limits<std::int32_t>::min())) {
    return std::numeric_limits<std::int32_t>::min();
  }
  return static_cast<std::int32_t>(rounded);
}

void CheckAgainstReference(std::string_view text, double value) {
  const std::size_t start = text.find_first_not_of(' ');
  const std::string_view rest = start == std::string_view::npos ? "" : text.substr(start);
  if (rest.empty()) {
    Require(value == 0, "a text of spaces only has the value 0");
    return;
  }
  if (rest.front() == '&') {
    const RadixReference ref = ReferenceRadix(rest);
    if (ref.exact) {
      Require(SameValue(value, ref.value), "a prefixed number differs from its digits' value");
    } else {
      Require(value >= 0x1p53, "a prefixed number beyond 2^53 came out smaller");
    }
    return;
  }
  const std::optional<double> ref = ReferenceDecimal(rest);
  if (!ref) {
    Require(value == 0, "a text without a number has the value 0");
    return;
  }
  if (std::fabs(*ref) < DBL_MIN) {
    // Subnormal results may be kept or flushed to 0.
    Require(value == 0 || SameValue(value, *ref), "a tiny decimal number has a wrong value");
    return;
  }
  Require(SameValue(value, *ref), "a decimal number differs from the C library's value");
}

// Views of the text's first bytes, with the rest of the text behind them in
// memory, must read as copies that end there: nothing past a view is read.
void CheckPrefixes(std::string_view text) {
  const std::size_t count = std::min(text.size(), kPrefixChecks);
  for (std::size_t n = 0; n < count; ++n) {
    const std::string copy(text.substr(0, n));
    Require(SameValue(NumericValue(text.substr(0, n)), NumericValue(copy)),
            "the value of a view depends on the bytes behind it");
  }
}

void CheckRoundToInt(const std::uint8_t* data, std::size_t size) {
  if (size < sizeof(double)) return;
  double raw = 0;
  std::memcpy(&raw, data, sizeof raw);
  Require(RoundToInt(raw) == ReferenceRound(raw), "RoundToInt differs from half-to-even rounding");
}

}  // namespace
}  // namespace r7n::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace r7n;
  using namespace r7n::fuzz;
  const std::string_view text = AsText(data, size);
  const double value = NumericValue(text);
  Require(std::isfinite(value), "the value of a text is not finite");
  CheckAgainstReference(text, value);

  const std::int32_t integer = NumericInt(text);
  Require(integer == RoundToInt(value), "NumericInt is not the rounded NumericValue");
  Require(integer == ReferenceRound(value), "NumericInt differs from half-to-even rounding");

  Require(SameValue(NumericValue(" " + std::string(text)), value),
          "a leading space changes the value");
  // 'x' belongs to no number, so the value must end before it.
  Require(SameValue(NumericValue(std::string(text) + "x"), value),
          "a byte after the text changes the value");
  CheckPrefixes(text);
  CheckRoundToInt(data, size);
  return 0;
}
