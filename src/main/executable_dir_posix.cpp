#include <system_error>

#include "main/executable_dir.h"

namespace r7n {

std::filesystem::path ExecutableDir(const char* argv0) {
  std::error_code error;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) return self.parent_path();
  const auto from_argv = std::filesystem::absolute(argv0 != nullptr ? argv0 : ".", error);
  return error ? std::filesystem::current_path() : from_argv.parent_path();
}

std::string ProgramName(const char* argv0) {
  const std::string name = std::filesystem::path(argv0 != nullptr ? argv0 : "").filename().string();
  return name.empty() ? "r7n_uart" : name;
}

}  // namespace r7n
