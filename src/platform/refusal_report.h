#pragma once

#include <cstdio>
#include <string>

#include "platform/port_guard.h"

namespace r7n {

// Tells the operator, once the terminal is back to normal, about port accesses
// the guard refused: they mean a fault in the program, not in the chassis.
// program is the name the report begins with.
inline void ReportRefusals(const PortGuard& guard, const std::string& program, std::FILE* out) {
  if (guard.Refusals().empty()) return;
  std::fprintf(out, "%s: refused %llu access(es) outside ports 0x2A4 and 0x310-0x313",
               program.c_str(), static_cast<unsigned long long>(guard.RefusedCount()));
  if (guard.RefusedCount() > guard.Refusals().size()) {
    std::fprintf(out, "; the first %zu:\n", guard.Refusals().size());
  } else {
    std::fprintf(out, ":\n");
  }
  for (const auto& refusal : guard.Refusals()) {
    if (refusal.write) {
      std::fprintf(out, "  write 0x%02X to port 0x%03X\n", refusal.value, refusal.port);
    } else {
      std::fprintf(out, "  read from port 0x%03X\n", refusal.port);
    }
  }
}

}  // namespace r7n
