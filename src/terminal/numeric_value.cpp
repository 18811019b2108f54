#include "terminal/numeric_value.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace r7n {
namespace {

constexpr double kMaxFinite = std::numeric_limits<double>::max();
// Far beyond any exponent a double can reach; only the sign of the estimate
// below matters once a value is out of range.
constexpr long kExponentCap = 1'000'000;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

std::size_t SkipDigits(std::string_view text, std::size_t pos) {
  while (pos < text.size() && IsDigit(text[pos])) ++pos;
  return pos;
}

// The value of c as a digit of radix, or -1 when it is none.
int DigitValue(char c, int radix) {
  int value = radix;
  if (c >= '0' && c <= '9') value = c - '0';
  if (c >= 'A' && c <= 'F') value = c - 'A' + 10;
  if (c >= 'a' && c <= 'f') value = c - 'a' + 10;
  return value < radix ? value : -1;
}

double RadixValue(std::string_view digits, int radix) {
  double value = 0;
  for (const char c : digits) {
    const int digit = DigitValue(c, radix);
    if (digit < 0) break;
    value = std::min(value * radix + digit, kMaxFinite);
  }
  return value;
}

// The radix named by the letter after "&", or 0 for none.
int PrefixRadix(char letter) {
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

// The extent of a decimal number without its sign: digits with an optional
// fraction, then an exponent only if digits follow the "E" and its sign.
struct DecimalSpan {
  std::size_t end = 0;  // 0: no number at all
  long exponent = 0;    // saturated at kExponentCap
  // Whether any digit is other than 0; lead means nothing without one.
  bool significant = false;
  // Decimal exponent of the first significant digit plus one, before the
  // exponent part: 3 for 123.4, 0 for 0.5, -1 for 0.05.
  long lead = 0;
};

DecimalSpan ScanDecimal(std::string_view text) {
  DecimalSpan span;
  const std::size_t int_end = SkipDigits(text, 0);
  std::size_t pos = int_end;
  std::size_t frac_begin = pos;
  if (pos < text.size() && text[pos] == '.') frac_begin = ++pos;
  pos = SkipDigits(text, pos);
  if (int_end == 0 && pos == frac_begin) return span;

  const std::string_view whole = text.substr(0, int_end);
  const std::size_t first_sig = whole.find_first_not_of('0');
  if (first_sig != std::string_view::npos) {
    span.significant = true;
    span.lead = static_cast<long>(std::min<std::size_t>(whole.size() - first_sig, kExponentCap));
  } else {
    const std::string_view frac = text.substr(frac_begin, pos - frac_begin);
    const std::size_t frac_sig = frac.find_first_not_of('0');
    if (frac_sig != std::string_view::npos) {
      span.significant = true;
      span.lead = -static_cast<long>(std::min<std::size_t>(frac_sig, kExponentCap));
    }
  }

  if (pos < text.size() && (text[pos] == 'E' || text[pos] == 'e')) {
    std::size_t exp_pos = pos + 1;
    bool exp_negative = false;
    if (exp_pos < text.size() && (text[exp_pos] == '+' || text[exp_pos] == '-')) {
      exp_negative = text[exp_pos] == '-';
      ++exp_pos;
    }
    const std::size_t exp_end = SkipDigits(text, exp_pos);
    if (exp_end > exp_pos) {
      for (std::size_t i = exp_pos; i < exp_end; ++i) {
        span.exponent = std::min(span.exponent * 10 + (text[i] - '0'), kExponentCap);
      }
      if (exp_negative) span.exponent = -span.exponent;
      pos = exp_end;
    }
  }
  span.end = pos;
  return span;
}

double DecimalValue(std::string_view text) {
  const DecimalSpan span = ScanDecimal(text);
  if (span.end == 0) return 0;
  double value = 0;
  const auto [ptr, ec] = std::from_chars(text.data(), text.data() + span.end, value);
  if (ec == std::errc::result_out_of_range) {
    // Too large or too small for a double; which one follows from where the
    // first significant digit lands.
    return span.significant && span.lead + span.exponent > 0 ? kMaxFinite : 0.0;
  }
  return ec == std::errc{} ? value : 0.0;
}

}  // namespace

double NumericValue(std::string_view text) {
  const std::size_t start = text.find_first_not_of(' ');
  if (start == std::string_view::npos) return 0;
  text.remove_prefix(start);

  if (text.front() == '&') {
    const int radix = text.size() > 1 ? PrefixRadix(text[1]) : 0;
    return radix == 0 ? 0.0 : RadixValue(text.substr(2), radix);
  }
  bool negative = false;
  if (text.front() == '+' || text.front() == '-') {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  const double value = DecimalValue(text);
  return negative ? -value : value;
}

std::int32_t RoundToInt(double value) {
  if (std::isnan(value)) return 0;
  double rounded = std::round(value);
  if (std::fabs(value - std::trunc(value)) == 0.5) rounded = 2.0 * std::round(value / 2.0);
  constexpr double kMax = std::numeric_limits<std::int32_t>::max();
  constexpr double kMin = std::numeric_limits<std::int32_t>::min();
  if (rounded >= kMax) return std::numeric_limits<std::int32_t>::max();
  if (rounded <= kMin) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(rounded);
}

std::int32_t NumericInt(std::string_view text) {
  return RoundToInt(NumericValue(text));
}

}  // namespace r7n
