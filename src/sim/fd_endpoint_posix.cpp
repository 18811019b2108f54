#include "sim/fd_endpoint_posix.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace r7n::sim {

std::string ErrnoText(int error) {
  return std::strerror(error);
}

ssize_t FdConnection::WriteSome(const char* bytes, std::size_t length) {
  return ::write(Fd(), bytes, length);
}

void FdEndpoint::Service(std::int64_t now_us) {
  lifecycle_.Serviced(now_us);
  switch (lifecycle_.Current()) {
    case EndpointLifecycle::State::kDown:
      if (lifecycle_.AttemptDue()) TryOpen();
      return;
    case EndpointLifecycle::State::kOpening:
      FinishOpening();
      if (!lifecycle_.IsUp()) return;
      break;
    case EndpointLifecycle::State::kUp:
      break;
  }
  if (const std::optional<std::string> why = connection_->Gone(now_us)) return Drop(*why);
  Flush();
}

void FdEndpoint::TryOpen() {
  Opened opened = Open();
  if (!opened.connection) return lifecycle_.Failed(opened.detail);
  connection_ = std::move(opened.connection);
  std::string error;
  const bool opening = connection_->StillOpening(error);
  if (!error.empty()) return Fail(error);
  unsent_.clear();  // what was written while it was down went nowhere
  if (opening) return lifecycle_.Opening(std::move(opened.detail));
  lifecycle_.Up(opened.detail);
}

void FdEndpoint::FinishOpening() {
  std::string error;
  if (connection_->StillOpening(error)) return;
  if (!error.empty()) return Fail(error);
  lifecycle_.Connected();
}

void FdEndpoint::Fail(const std::string& error) {
  connection_.reset();
  lifecycle_.Failed(error);
}

void FdEndpoint::Drop(const std::string& why) {
  connection_.reset();
  unsent_.clear();
  lifecycle_.Down(why);
}

std::size_t FdEndpoint::Read(std::size_t max, std::string& out) {
  if (!lifecycle_.IsUp() || max == 0) return 0;
  char buffer[4096];
  std::size_t total = 0;
  while (total < max) {
    const std::size_t want = std::min(sizeof buffer, max - total);
    const ssize_t n = ::read(connection_->Fd(), buffer, want);
    if (n > 0) {
      out.append(buffer, static_cast<std::size_t>(n));
      total += static_cast<std::size_t>(n);
      if (static_cast<std::size_t>(n) < want) break;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
    // A pseudo-terminal's master reads EIO once nobody holds the other side.
    Drop(connection_->ReadEnded(n == 0 ? "closed by the far end" : ErrnoText(errno)));
    break;
  }
  return total;
}

void FdEndpoint::Write(std::string_view bytes) {
  if (!lifecycle_.IsUp()) return;  // nobody at the far end: the bytes are gone
  if (unsent_.size() + bytes.size() > kMaxUnsent) return;
  unsent_.append(bytes);
  Flush();
}

void FdEndpoint::Flush() {
  while (!unsent_.empty() && lifecycle_.IsUp()) {
    const ssize_t n = connection_->WriteSome(unsent_.data(), unsent_.size());
    if (n > 0) {
      unsent_.erase(0, static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
    return Drop(n == 0 ? "closed by the far end" : ErrnoText(errno));
  }
}

}  // namespace r7n::sim
