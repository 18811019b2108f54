#include "platform/bus_paced_port_io.h"

namespace r7n {

void BusPacedPortIo::Pace() {
  std::int64_t now = clock_.NowUs();
  while (now < next_us_) now = clock_.NowUs();
  next_us_ = now + kAccessUs;
}

void BusPacedPortIo::Out(std::uint16_t port, std::uint8_t value) {
  Pace();
  inner_.Out(port, value);
}

std::uint8_t BusPacedPortIo::In(std::uint16_t port) {
  Pace();
  return inner_.In(port);
}

}  // namespace r7n
