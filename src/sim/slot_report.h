#pragma once

#include <string>
#include <vector>

#include "sim/chassis.h"

namespace r7n::sim {

// One line per slot that holds a real console: its endpoint, the bytes that
// crossed each way, and what went wrong on the line and with the far end.
std::vector<std::string> ExternalSlotReport(const Chassis& chassis);

}  // namespace r7n::sim
