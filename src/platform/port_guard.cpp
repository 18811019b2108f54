#include "platform/port_guard.h"

namespace r7n {

bool PortGuard::Allowed(std::uint16_t port) {
  return port == 0x2A4 || (port >= 0x310 && port <= 0x313);
}

void PortGuard::Out(std::uint16_t port, std::uint8_t value) {
  if (!Allowed(port)) return Refuse(port, true, value);
  inner_.Out(port, value);
}

std::uint8_t PortGuard::In(std::uint16_t port) {
  if (!Allowed(port)) {
    Refuse(port, false, 0);
    return 0xFF;
  }
  return inner_.In(port);
}

void PortGuard::Refuse(std::uint16_t port, bool write, std::uint8_t value) {
  ++refused_count_;
  if (refusals_.size() < kMaxKept) refusals_.push_back({port, write, value});
}

}  // namespace r7n
