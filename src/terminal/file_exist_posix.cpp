#include <filesystem>
#include <string>
#include <system_error>

#include "terminal/file_exist.h"

namespace r7n {

bool FileExist(std::string_view name) {
  // A name with a pattern character could only match itself here, but it
  // would match other files where names are looked up by directory search;
  // refusing it keeps both builds alike.
  if (name.empty() || name.find_first_of("*?") != std::string_view::npos) return false;
  std::error_code ec;
  return std::filesystem::is_regular_file(std::filesystem::path(std::string(name)), ec);
}

}  // namespace r7n
