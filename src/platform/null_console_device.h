#pragma once

#include <string>
#include <vector>

#include "platform/console_device.h"

namespace r7n {

// A console that shows nothing and never has a key: for the verbs, which run
// without a terminal and must not touch one. The console layer still keeps
// its screen image, which nobody looks at.
class NullConsoleDevice : public ConsoleDevice {
 public:
  WindowSize Size() const override { return {25, 80}; }
  void Show(const ScreenImage&) override {}
  void PollKeys(std::vector<std::string>&) override {}
  void Beep(int, int) override {}
};

}  // namespace r7n
