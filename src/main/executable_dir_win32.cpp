#include <windows.h>

#include <string>
#include <system_error>

#include "main/executable_dir.h"

namespace r7n {

std::filesystem::path ExecutableDir(const char* argv0) {
  // The module file name is cut short without an error other than the
  // length, so the buffer grows until the whole name fits.
  std::wstring name(MAX_PATH, L'\0');
  for (int attempt = 0; attempt < 8; ++attempt) {
    const DWORD length = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
    if (length == 0) break;
    if (length < name.size()) return std::filesystem::path(name.substr(0, length)).parent_path();
    name.resize(name.size() * 2);
  }
  std::error_code error;
  const auto from_argv = std::filesystem::absolute(argv0 != nullptr ? argv0 : ".", error);
  return error ? std::filesystem::current_path() : from_argv.parent_path();
}

std::string ProgramName(const char* argv0) {
  std::filesystem::path name = std::filesystem::path(argv0 != nullptr ? argv0 : "").filename();
  if (name.extension() == ".exe" || name.extension() == ".EXE") name.replace_extension();
  return name.empty() ? "r7n_uart" : name.string();
}

}  // namespace r7n
