#pragma once

#include <string_view>

namespace r7n {

// Texts of the program are trimmed of spaces (0x20) only: a TAB is content.
inline std::string_view TrimSpaces(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

inline std::string_view TrimLeadingSpaces(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  return first == std::string_view::npos ? std::string_view{} : text.substr(first);
}

}  // namespace r7n
