#pragma once

#include <cstdint>

#include "platform/clock.h"
#include "platform/port_io.h"

namespace r7n {

// Makes every port access take at least one microsecond, as a bus cycle to
// the chassis does. The simulated chassis answers in nanoseconds, and the
// program's bounded status waits (100,001 reads) count on the bus for their
// length: without this they would give up long before a transmitter drains.
class BusPacedPortIo : public PortIo {
 public:
  static constexpr std::int64_t kAccessUs = 1;

  BusPacedPortIo(PortIo& inner, Clock& clock) : inner_(inner), clock_(clock) {}

  void Out(std::uint16_t port, std::uint8_t value) override;
  std::uint8_t In(std::uint16_t port) override;

 private:
  // Spins until the previous access has had its microsecond.
  void Pace();

  PortIo& inner_;
  Clock& clock_;
  std::int64_t next_us_ = 0;
};

}  // namespace r7n
