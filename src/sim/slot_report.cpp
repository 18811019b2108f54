#include "sim/slot_report.h"

namespace r7n::sim {

std::vector<std::string> ExternalSlotReport(const Chassis& chassis) {
  constexpr Device kDevices[] = {Device::kZcp, Device::kModuleA, Device::kModuleB, Device::kModuleC,
                                 Device::kModuleD};
  std::vector<std::string> lines;
  for (int unit = 1; unit <= 2; ++unit) {
    const BaseUnit& base = chassis.Base(unit);
    for (Device device : kDevices) {
      const ExternalConsole* console = base.External(device);
      if (console == nullptr) continue;
      const ExternalConsole::Traffic& traffic = console->Counts();
      const DeviceLine& line = base.Line(device);
      lines.push_back(console->Slot() + " " + console->EndpointText() + ": " +
                      std::to_string(traffic.to_far_end) + " bytes to it, " +
                      std::to_string(traffic.from_far_end) + " bytes from it, " +
                      std::to_string(line.Overruns()) + " overruns, " +
                      std::to_string(line.FramingErrors()) + " framing errors, " +
                      std::to_string(traffic.disconnects) + " disconnects, " +
                      std::to_string(traffic.failed_attempts) + " failed attempts");
    }
  }
  return lines;
}

}  // namespace r7n::sim
