#include "sim/endpoint_factory.h"
#include "sim/win32_endpoints.h"

namespace r7n::sim {

// Windows has no pseudo-terminals a getty could use, and a program's console
// is not a byte stream, so slots there hold sockets and COM ports.
bool EndpointKindAvailable(EndpointAddress::Kind kind) {
  return kind == EndpointAddress::Kind::kTcp || kind == EndpointAddress::Kind::kSerial;
}

std::string_view AvailableEndpointKinds() {
  return "tcp:, serial:";
}

std::unique_ptr<Endpoint> MakeEndpoint(const EndpointAddress& where, const EndpointTiming& timing,
                                       int line_baud) {
  if (where.kind == EndpointAddress::Kind::kSerial) {
    return std::make_unique<ComPortEndpoint>(where.target, line_baud, timing.reconnect_us);
  }
  return std::make_unique<TcpEndpoint>(where.target, where.port, timing.reconnect_us);
}

}  // namespace r7n::sim
