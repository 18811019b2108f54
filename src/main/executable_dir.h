#pragma once

#include <filesystem>

namespace r7n {

// The directory that holds the running executable; argv0 is the fallback
// where the system cannot tell.
std::filesystem::path ExecutableDir(const char* argv0);

}  // namespace r7n
