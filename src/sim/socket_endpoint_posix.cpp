#include <fcntl.h>
#include <netdb.h>
#include <nss.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>

#include "sim/posix_endpoints.h"

namespace r7n::sim {
namespace {

// A stream socket, connected or on its way there.
class SocketConnection : public FdConnection {
 public:
  using FdConnection::FdConnection;

  bool StillOpening(std::string& error) override {
    pollfd ready{Fd(), POLLOUT, 0};
    if (::poll(&ready, 1, 0) == 0) return true;
    int failure = 0;
    socklen_t length = sizeof failure;
    if (::getsockopt(Fd(), SOL_SOCKET, SO_ERROR, &failure, &length) != 0) failure = errno;
    if (failure != 0) error = ErrnoText(failure);
    return false;
  }

  ssize_t WriteSome(const char* bytes, std::size_t length) override {
    // A far end that has gone must not end the simulator with SIGPIPE.
    return ::send(Fd(), bytes, length, MSG_NOSIGNAL);
  }
};

// The packaged program carries its own C library. Any name service module
// that the running system's nsswitch.conf names (mdns, myhostname, ...) is
// built for the system's C library, and loading it into ours aborts the
// program; so only /etc/hosts and DNS, which ours has built in, are asked,
// in every build alike.
void AskBuiltInNameServicesOnly() {
  static std::once_flag once;
  std::call_once(once, [] { ::__nss_configure_lookup("hosts", "files dns"); });
}

}  // namespace

SocketEndpoint::SocketEndpoint(const EndpointAddress& where, std::int64_t retry_us)
    : FdEndpoint(retry_us), where_(where) {}

FdEndpoint::Opened SocketEndpoint::Opening(UniqueFd fd) {
  return {std::make_unique<SocketConnection>(std::move(fd)), "connected"};
}

FdEndpoint::Opened SocketEndpoint::Open() {
  return where_.kind == EndpointAddress::Kind::kUnix ? OpenUnix() : OpenTcp();
}

FdEndpoint::Opened SocketEndpoint::OpenUnix() {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (where_.target.size() >= sizeof address.sun_path) {
    return {nullptr, "socket path longer than " + std::to_string(sizeof address.sun_path - 1)};
  }
  std::memcpy(address.sun_path, where_.target.c_str(), where_.target.size() + 1);
  UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
  if (!fd) return {nullptr, "no socket: " + ErrnoText(errno)};
  if (::connect(fd.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 &&
      errno != EINPROGRESS) {
    return {nullptr, ErrnoText(errno)};
  }
  return Opening(std::move(fd));
}

FdEndpoint::Opened SocketEndpoint::OpenTcp() {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const std::string port = std::to_string(where_.port);
  AskBuiltInNameServicesOnly();
  if (const int error = ::getaddrinfo(where_.target.c_str(), port.c_str(), &hints, &found)) {
    return {nullptr, "cannot resolve " + where_.target + ": " + ::gai_strerror(error)};
  }
  Opened result{nullptr, "no address"};
  for (const addrinfo* at = found; at != nullptr; at = at->ai_next) {
    UniqueFd fd(
        ::socket(at->ai_family, at->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, at->ai_protocol));
    if (!fd) continue;
    if (::connect(fd.Get(), at->ai_addr, at->ai_addrlen) == 0 || errno == EINPROGRESS) {
      result = Opening(std::move(fd));
      break;
    }
    result.detail = ErrnoText(errno);
  }
  ::freeaddrinfo(found);
  return result;
}

}  // namespace r7n::sim
