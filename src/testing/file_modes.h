#pragma once

#ifndef _WIN32
#include <unistd.h>
#endif

namespace r7n::testing {

// Whether taking read or write permission away from a file stops this
// process: not for root, and not on Windows, where a mode is only a
// read-only attribute and directories ignore it.
inline bool FileModesBindThisProcess() {
#ifdef _WIN32
  return false;
#else
  return ::geteuid() != 0;
#endif
}

}  // namespace r7n::testing
