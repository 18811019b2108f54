#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace r7n::sim {

// What a slot holds when it holds a real console: the kind of endpoint and
// where to find it.
struct EndpointAddress {
  enum class Kind { kPty, kUnix, kTcp, kSerial, kExec };
  Kind kind = Kind::kPty;
  std::string target;  // link, socket path, host, device or command
  int port = 0;        // tcp only

  // The endpoint as written on the command line ("tcp:localhost:4000").
  std::string Text() const;
};

// How often an endpoint that is down is tried again.
struct EndpointTiming {
  std::int64_t reconnect_us = 500'000;  // unix, tcp, serial, pty
  std::int64_t respawn_us = 1'000'000;  // exec: after the program exits
};

// Reads "KIND:REST". Returns the address, or a one-line reason it cannot be right.
struct EndpointParse {
  std::optional<EndpointAddress> where;
  std::string error;
};
EndpointParse ParseEndpoint(std::string_view text);

// Whether text names an endpoint kind at all ("pty:...", "tcp:..."), so that
// a slot list can tell an endpoint from a module kind.
bool LooksLikeEndpoint(std::string_view text);

// Whether this build can open endpoints of a kind (defined per platform).
bool EndpointKindAvailable(EndpointAddress::Kind kind);

// The kinds this build offers, as the help text lists them.
std::string_view AvailableEndpointKinds();

}  // namespace r7n::sim
