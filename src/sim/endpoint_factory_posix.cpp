#include "sim/endpoint_factory.h"
#include "sim/posix_endpoints.h"

namespace r7n::sim {

bool EndpointKindAvailable(EndpointSpec::Kind /*kind*/) {
  return true;
}

std::string_view AvailableEndpointKinds() {
  return "pty:, unix:, tcp:, serial:, exec:";
}

std::unique_ptr<Endpoint> MakeEndpoint(const EndpointSpec& spec, const EndpointTiming& timing,
                                       int line_baud) {
  switch (spec.kind) {
    case EndpointSpec::Kind::kPty:
      return std::make_unique<PtyEndpoint>(spec.target, timing.reconnect_us);
    case EndpointSpec::Kind::kUnix:
    case EndpointSpec::Kind::kTcp:
      return std::make_unique<SocketEndpoint>(spec, timing.reconnect_us);
    case EndpointSpec::Kind::kSerial:
      return std::make_unique<SerialEndpoint>(spec.target, line_baud, timing.reconnect_us);
    case EndpointSpec::Kind::kExec:
      return std::make_unique<ExecEndpoint>(spec.target, timing.respawn_us);
  }
  return nullptr;
}

}  // namespace r7n::sim
