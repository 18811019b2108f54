#pragma once

#include <cstdint>
#include <string>

namespace r7n {

// A byte as upper-case hexadecimal digits, as every hex form the program
// shows writes it: two digits, or without a leading zero ("0" to "FF").
inline std::string HexByte(std::uint8_t byte, bool leading_zero = true) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  if (leading_zero || byte >= 0x10) text += kDigits[byte >> 4];
  text += kDigits[byte & 0x0F];
  return text;
}

}  // namespace r7n
