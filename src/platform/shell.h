#pragma once

#include <string>

namespace r7n {

// Runs an external program in the same console and waits for it.
class Shell {
 public:
  virtual ~Shell() = default;
  // Returns the program's exit status, or -1 when it could not be started.
  virtual int Run(const std::string& command) = 0;
};

}  // namespace r7n
