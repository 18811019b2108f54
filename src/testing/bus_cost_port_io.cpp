#include "testing/bus_cost_port_io.h"

namespace r7n::testing {

void BusCostPortIo::Out(std::uint16_t port, std::uint8_t value) {
  clock_.AdvanceUs(kAccessUs);
  inner_.Out(port, value);
}

std::uint8_t BusCostPortIo::In(std::uint16_t port) {
  clock_.AdvanceUs(kAccessUs);
  return inner_.In(port);
}

}  // namespace r7n::testing
