#include "sim/endpoint_factory.h"
#include "sim/win32_endpoints.h"

namespace r7n::sim {

// Windows has no pseudo-terminals a getty could use, and a program's console
// is not a byte stream, so slots there hold sockets and COM ports.
bool EndpointKindAvailable(EndpointSpec::Kind kind) {
  return kind == EndpointSpec::Kind::kTcp || kind == EndpointSpec::Kind::kSerial;
}

std::string_view AvailableEndpointKinds() {
  return "tcp:, serial:";
}

std::unique_ptr<Endpoint> MakeEndpoint(const EndpointSpec& spec, const EndpointTiming& timing,
                                       int line_baud) {
  if (spec.kind == EndpointSpec::Kind::kSerial) {
    return std::make_unique<ComPortEndpoint>(spec.target, line_baud, timing.reconnect_us);
  }
  return std::make_unique<TcpEndpoint>(spec.target, spec.port, timing.reconnect_us);
}

}  // namespace r7n::sim
