#pragma once

#include <string>
#include <vector>

#include "platform/shell.h"

namespace r7n::testing {

// Records the commands the program runs and answers with a set status.
class FakeShell : public Shell {
 public:
  int Run(const std::string& command) override {
    commands_.push_back(command);
    return status_;
  }
  void SetStatus(int status) { status_ = status; }
  const std::vector<std::string>& Commands() const { return commands_; }

 private:
  std::vector<std::string> commands_;
  int status_ = 0;
};

}  // namespace r7n::testing
