#include "sim/echo_escapes.h"

#include <cstddef>
#include <optional>

namespace r7n::sim {
namespace {

std::optional<char> SingleLetterEscape(char letter) {
  switch (letter) {
    case '\\':
      return '\\';
    case 'a':
      return '\a';
    case 'b':
      return '\b';
    case 'e':
      return '\x1B';
    case 'f':
      return '\f';
    case 'n':
      return '\n';
    case 'r':
      return '\r';
    case 't':
      return '\t';
    case 'v':
      return '\v';
    default:
      return std::nullopt;
  }
}

std::optional<unsigned> DigitValue(char c, unsigned base) {
  unsigned value = 0;
  if (c >= '0' && c <= '9') {
    value = static_cast<unsigned>(c - '0');
  } else if (c >= 'a' && c <= 'f') {
    value = static_cast<unsigned>(c - 'a') + 10;
  } else if (c >= 'A' && c <= 'F') {
    value = static_cast<unsigned>(c - 'A') + 10;
  } else {
    return std::nullopt;
  }
  if (value >= base) return std::nullopt;
  return value;
}

// Reads up to max_digits digits that follow position i and leaves i on the
// last one taken. The value wraps to a byte, as the module's echo stores it.
char ReadNumber(std::string_view text, std::size_t& i, unsigned base, int max_digits) {
  unsigned value = 0;
  for (int n = 0; n < max_digits && i + 1 < text.size(); ++n) {
    const std::optional<unsigned> digit = DigitValue(text[i + 1], base);
    if (!digit) break;
    value = value * base + *digit;
    ++i;
  }
  return static_cast<char>(value & 0xFFu);
}

}  // namespace

EchoExpansion ExpandEchoEscapes(std::string_view text) {
  EchoExpansion result;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      result.text += text[i];
      continue;
    }
    const char letter = text[++i];
    if (letter == 'c') {
      result.stopped = true;
      return result;
    }
    if (letter == '0') {
      result.text += ReadNumber(text, i, 8, 3);
    } else if (letter == 'x' && i + 1 < text.size() && DigitValue(text[i + 1], 16)) {
      result.text += ReadNumber(text, i, 16, 2);
    } else if (const std::optional<char> plain = SingleLetterEscape(letter)) {
      result.text += *plain;
    } else {
      result.text += '\\';
      result.text += letter;
    }
  }
  return result;
}

}  // namespace r7n::sim
