#include "sim/endpoint_factory.h"
#include "sim/posix_endpoints.h"

namespace r7n::sim {

bool EndpointKindAvailable(EndpointAddress::Kind /*kind*/) {
  return true;
}

std::string_view AvailableEndpointKinds() {
  return "pty:, unix:, tcp:, serial:, exec:";
}

std::unique_ptr<Endpoint> MakeEndpoint(const EndpointAddress& where, const EndpointTiming& timing,
                                       int line_baud) {
  switch (where.kind) {
    case EndpointAddress::Kind::kPty:
      return std::make_unique<PtyEndpoint>(where.target, timing.reconnect_us);
    case EndpointAddress::Kind::kUnix:
    case EndpointAddress::Kind::kTcp:
      return std::make_unique<SocketEndpoint>(where, timing.reconnect_us);
    case EndpointAddress::Kind::kSerial:
      return std::make_unique<SerialEndpoint>(where.target, line_baud, timing.reconnect_us);
    case EndpointAddress::Kind::kExec:
      return std::make_unique<ExecEndpoint>(where.target, timing.respawn_us);
  }
  return nullptr;
}

}  // namespace r7n::sim
