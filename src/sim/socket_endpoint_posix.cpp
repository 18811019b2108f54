#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "sim/posix_endpoints.h"

namespace r7n::sim {

SocketEndpoint::SocketEndpoint(const EndpointAddress& where, std::int64_t retry_us)
    : FdEndpoint(retry_us), where_(where) {}

SocketEndpoint::~SocketEndpoint() {
  Shut();
}

FdEndpoint::Opened SocketEndpoint::Open() {
  return where_.kind == EndpointAddress::Kind::kUnix ? OpenUnix() : OpenTcp();
}

FdEndpoint::Opened SocketEndpoint::OpenUnix() {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (where_.target.size() >= sizeof address.sun_path) {
    return {-1, "socket path longer than " + std::to_string(sizeof address.sun_path - 1)};
  }
  std::memcpy(address.sun_path, where_.target.c_str(), where_.target.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return {-1, "no socket: " + ErrnoText(errno)};
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 &&
      errno != EINPROGRESS) {
    const int error = errno;
    ::close(fd);
    return {-1, ErrnoText(error)};
  }
  return {fd, "connected"};
}

FdEndpoint::Opened SocketEndpoint::OpenTcp() {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const std::string port = std::to_string(where_.port);
  if (const int error = ::getaddrinfo(where_.target.c_str(), port.c_str(), &hints, &found)) {
    return {-1, "cannot resolve " + where_.target + ": " + ::gai_strerror(error)};
  }
  Opened result{-1, "no address"};
  for (const addrinfo* at = found; at != nullptr; at = at->ai_next) {
    const int fd =
        ::socket(at->ai_family, at->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, at->ai_protocol);
    if (fd < 0) continue;
    if (::connect(fd, at->ai_addr, at->ai_addrlen) == 0 || errno == EINPROGRESS) {
      result = {fd, "connected"};
      break;
    }
    result.detail = ErrnoText(errno);
    ::close(fd);
  }
  ::freeaddrinfo(found);
  return result;
}

bool SocketEndpoint::StillOpening(std::string& error) {
  pollfd ready{Fd(), POLLOUT, 0};
  if (::poll(&ready, 1, 0) == 0) return true;
  int failure = 0;
  socklen_t length = sizeof failure;
  if (::getsockopt(Fd(), SOL_SOCKET, SO_ERROR, &failure, &length) != 0) failure = errno;
  if (failure != 0) error = ErrnoText(failure);
  return false;
}

ssize_t SocketEndpoint::WriteSome(const char* bytes, std::size_t length) {
  // A far end that has gone must not end the simulator with SIGPIPE.
  return ::send(Fd(), bytes, length, MSG_NOSIGNAL);
}

}  // namespace r7n::sim
