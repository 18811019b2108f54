#pragma once

#include <filesystem>
#include <string>

namespace r7n {

// The directory that holds the running executable; argv0 is the fallback
// where the system cannot tell.
std::filesystem::path ExecutableDir(const char* argv0);

// The name the program was run by, as messages begin with: argv0's last
// component, without ".exe" on Windows.
std::string ProgramName(const char* argv0);

}  // namespace r7n
