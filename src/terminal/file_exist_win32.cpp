#include <windows.h>

#include <filesystem>
#include <string>

#include "terminal/file_exist.h"

namespace r7n {

bool FileExist(std::string_view name) {
  // Windows resolves names without regard to case on its own. A pattern
  // character would make a directory search match other files, so it is
  // refused as on every platform.
  if (name.empty() || name.find_first_of("*?") != std::string_view::npos) return false;
  const std::filesystem::path path{std::string(name)};
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  // A directory search for ordinary files passes over hidden and system
  // files as well as directories.
  constexpr DWORD kNotAFile =
      FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  return (attributes & kNotAFile) == 0;
}

}  // namespace r7n
