#pragma once

#include <cstdint>
#include <ostream>
#include <string_view>

namespace r7n::sim {

// The events log of the slots that hold real consoles: one line per event,
// the model's time in seconds first, then the slot and what happened.
class SlotEvents {
 public:
  explicit SlotEvents(std::ostream& out) : out_(out) {}

  void Log(std::int64_t now_us, std::string_view slot, std::string_view text);

 private:
  std::ostream& out_;
};

}  // namespace r7n::sim
