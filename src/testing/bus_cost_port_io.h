#pragma once

#include "platform/port_io.h"
#include "platform/virtual_clock.h"

namespace r7n::testing {

// Charges one microsecond of virtual time per port access, as a bus cycle costs
// on the real chassis, so status polls that never sleep still take time.
class BusCostPortIo : public PortIo {
 public:
  static constexpr std::int64_t kAccessUs = 1;

  BusCostPortIo(PortIo& inner, VirtualClock& clock) : inner_(inner), clock_(clock) {}

  void Out(std::uint16_t port, std::uint8_t value) override;
  std::uint8_t In(std::uint16_t port) override;

 private:
  PortIo& inner_;
  VirtualClock& clock_;
};

}  // namespace r7n::testing
