#include <ws2tcpip.h>

#include <utility>

#include "sim/win32_endpoints.h"

namespace r7n::sim {
namespace {

// Bytes kept for a far end that does not read; beyond this they are lost.
constexpr std::size_t kMaxUnsent = 64 * 1024;

}  // namespace

std::string WindowsErrorText(unsigned long code) {
  char text[256] = {};
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, code, 0, text, sizeof text, nullptr);
  std::string message(text, length);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == ' ' || message.back() == '.')) {
    message.pop_back();
  }
  return message.empty() ? "error " + std::to_string(code) : message;
}

TcpEndpoint::TcpEndpoint(std::string host, int port, std::int64_t retry_us)
    : RetryingEndpoint(retry_us), host_(std::move(host)), port_(port) {}

bool TcpEndpoint::Open(std::string& detail) {
  if (!winsock_.Started()) {
    detail = "Winsock is not available";
    return false;
  }
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* found = nullptr;
  const std::string port = std::to_string(port_);
  if (getaddrinfo(host_.c_str(), port.c_str(), &hints, &found) != 0) {
    detail = "cannot resolve " + host_ + ": " +
             WindowsErrorText(static_cast<unsigned long>(WSAGetLastError()));
    return false;
  }
  detail = "no address";
  for (const addrinfo* at = found; at != nullptr; at = at->ai_next) {
    UniqueSocket s(socket(at->ai_family, at->ai_socktype, at->ai_protocol));
    if (!s) continue;
    u_long non_blocking = 1;
    ioctlsocket(s.Get(), static_cast<long>(FIONBIO), &non_blocking);
    if (connect(s.Get(), at->ai_addr, static_cast<int>(at->ai_addrlen)) == 0 ||
        WSAGetLastError() == WSAEWOULDBLOCK) {
      socket_ = std::move(s);
      connecting_ = true;
      break;
    }
    detail = WindowsErrorText(static_cast<unsigned long>(WSAGetLastError()));
  }
  freeaddrinfo(found);
  if (!socket_) return false;
  // The connection finishes in the background; it counts as up from here,
  // and a refusal shows as the first read failing.
  detail = "connecting";
  unsent_.clear();
  return true;
}

bool TcpEndpoint::Connected() {
  if (!connecting_) return true;
  fd_set writable;
  fd_set failed;
  FD_ZERO(&writable);
  FD_ZERO(&failed);
  FD_SET(socket_.Get(), &writable);
  FD_SET(socket_.Get(), &failed);
  timeval none{0, 0};
  if (select(0, nullptr, &writable, &failed, &none) <= 0) return false;
  if (FD_ISSET(socket_.Get(), &failed)) {
    int error = 0;
    int length = sizeof error;
    getsockopt(socket_.Get(), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length);
    Drop("cannot connect: " + WindowsErrorText(static_cast<unsigned long>(error)));
    return false;
  }
  connecting_ = false;
  return true;
}

void TcpEndpoint::Close() {
  socket_.Reset();
  connecting_ = false;
}

std::size_t TcpEndpoint::ReadSome(std::size_t max, std::string& out) {
  if (!Connected()) return 0;
  if (!unsent_.empty()) WriteSome({});
  if (!socket_) return 0;
  char buffer[4096];
  const int want = static_cast<int>(max < sizeof buffer ? max : sizeof buffer);
  const int n = recv(socket_.Get(), buffer, want, 0);
  if (n > 0) {
    out.append(buffer, static_cast<std::size_t>(n));
    return static_cast<std::size_t>(n);
  }
  if (n < 0 && WSAGetLastError() == WSAEWOULDBLOCK) return 0;
  Drop(n == 0 ? "closed by the far end"
              : WindowsErrorText(static_cast<unsigned long>(WSAGetLastError())));
  return 0;
}

void TcpEndpoint::WriteSome(std::string_view bytes) {
  if (unsent_.size() + bytes.size() <= kMaxUnsent) unsent_.append(bytes);
  if (!Connected()) return;
  while (!unsent_.empty()) {
    const int n = send(socket_.Get(), unsent_.data(), static_cast<int>(unsent_.size()), 0);
    if (n > 0) {
      unsent_.erase(0, static_cast<std::size_t>(n));
      continue;
    }
    if (WSAGetLastError() == WSAEWOULDBLOCK) return;
    return Drop(WindowsErrorText(static_cast<unsigned long>(WSAGetLastError())));
  }
}

}  // namespace r7n::sim
