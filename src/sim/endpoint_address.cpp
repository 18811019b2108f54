#include "sim/endpoint_address.h"

#include <charconv>
#include <utility>

namespace r7n::sim {
namespace {

struct KindName {
  std::string_view prefix;
  EndpointAddress::Kind kind;
  std::string_view what;  // what follows the prefix, for messages
};

constexpr KindName kKinds[] = {
    {"pty:", EndpointAddress::Kind::kPty, "link name"},
    {"unix:", EndpointAddress::Kind::kUnix, "socket path"},
    {"tcp:", EndpointAddress::Kind::kTcp, "HOST:PORT"},
    {"serial:", EndpointAddress::Kind::kSerial, "device name"},
    {"exec:", EndpointAddress::Kind::kExec, "command"},
};

EndpointParse Refuse(std::string message) {
  EndpointParse result;
  result.error = std::move(message);
  return result;
}

// HOST:PORT, the port last so that a bracketed IPv6 host may hold colons.
EndpointParse ParseTcp(std::string_view rest, EndpointAddress where) {
  const std::size_t colon = rest.rfind(':');
  if (colon == std::string_view::npos || colon == 0) {
    return Refuse("tcp: needs HOST:PORT, got '" + std::string(rest) + "'");
  }
  std::string_view host = rest.substr(0, colon);
  const std::string_view port = rest.substr(colon + 1);
  int number = 0;
  const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), number);
  if (port.empty() || error != std::errc() || end != port.data() + port.size() || number < 1 ||
      number > 65535) {
    return Refuse("bad port number '" + std::string(port) + "' in tcp:" + std::string(rest) +
                  ": expected 1 to 65535");
  }
  if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
    host = host.substr(1, host.size() - 2);
  }
  where.target = host;
  where.port = number;
  return {where, {}};
}

}  // namespace

std::string EndpointAddress::Text() const {
  for (const KindName& name : kKinds) {
    if (name.kind != kind) continue;
    std::string text = std::string(name.prefix) + target;
    if (kind == Kind::kTcp) {
      text += ':';
      text += std::to_string(port);
    }
    return text;
  }
  return target;
}

bool LooksLikeEndpoint(std::string_view text) {
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos) return false;
  // A word of letters before the colon: an endpoint kind, known or not.
  for (char c : text.substr(0, colon)) {
    if (c < 'a' || c > 'z') return false;
  }
  return colon > 0;
}

EndpointParse ParseEndpoint(std::string_view text) {
  for (const KindName& name : kKinds) {
    if (!text.starts_with(name.prefix)) continue;
    const std::string_view rest = text.substr(name.prefix.size());
    if (!EndpointKindAvailable(name.kind)) {
      return Refuse("endpoint kind " + std::string(name.prefix.substr(0, name.prefix.size() - 1)) +
                    " is not available in this build (it offers " +
                    std::string(AvailableEndpointKinds()) + ")");
    }
    if (rest.empty()) {
      return Refuse("empty " + std::string(name.what) + " in '" + std::string(text) + "'");
    }
    EndpointAddress where;
    where.kind = name.kind;
    if (name.kind == EndpointAddress::Kind::kTcp) return ParseTcp(rest, where);
    where.target = rest;
    return {where, {}};
  }
  const std::size_t colon = text.find(':');
  return Refuse("unknown endpoint kind '" + std::string(text.substr(0, colon)) +
                "': expected one of " + std::string(AvailableEndpointKinds()));
}

}  // namespace r7n::sim
