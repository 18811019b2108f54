#include "sim/slot_events.h"

#include <cstdio>

namespace r7n::sim {

void SlotEvents::Log(std::int64_t now_us, std::string_view slot, std::string_view text) {
  char time[32];
  std::snprintf(time, sizeof time, "%lld.%06lld", static_cast<long long>(now_us / 1'000'000),
                static_cast<long long>(now_us % 1'000'000));
  // Flushed line by line: the log is read while the simulator runs, and a
  // simulator ended by a signal must still leave it complete.
  out_ << time << ' ' << slot << ' ' << text << std::endl;
}

}  // namespace r7n::sim
