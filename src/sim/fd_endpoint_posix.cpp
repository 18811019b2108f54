#include "sim/fd_endpoint_posix.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace r7n::sim {

std::string ErrnoText(int error) {
  return std::strerror(error);
}

FdEndpoint::~FdEndpoint() {
  if (fd_ >= 0) ::close(fd_);
}

void FdEndpoint::Shut() {
  if (fd_ < 0) return;
  ::close(fd_);
  fd_ = -1;
  opening_ = false;
  Release();
}

void FdEndpoint::Service(std::int64_t now_us) {
  now_us_ = now_us;
  if (fd_ < 0) {
    if (now_us >= next_try_us_) TryOpen(now_us);
    return;
  }
  if (opening_) {
    std::string error;
    if (StillOpening(error)) return;
    if (!error.empty()) {
      Shut();
      next_try_us_ = now_us + retry_us_;
      Tell(Event::kFailed, error);
      return;
    }
    opening_ = false;
    Tell(Event::kUp, opened_detail_);
  }
  if (const std::optional<std::string> why = Gone()) return Drop(*why);
  Flush();
}

void FdEndpoint::TryOpen(std::int64_t now_us) {
  Opened opened = Open();
  if (opened.fd < 0) {
    next_try_us_ = now_us + retry_us_;
    Tell(Event::kFailed, opened.detail);
    return;
  }
  fd_ = opened.fd;
  opened_detail_ = std::move(opened.detail);
  std::string error;
  opening_ = StillOpening(error);
  if (!error.empty()) {
    Shut();
    next_try_us_ = now_us + retry_us_;
    Tell(Event::kFailed, error);
    return;
  }
  unsent_.clear();  // what was written while it was down went nowhere
  if (!opening_) Tell(Event::kUp, opened_detail_);
}

void FdEndpoint::Drop(const std::string& why) {
  Shut();
  unsent_.clear();
  next_try_us_ = now_us_ + retry_us_;
  Tell(Event::kDown, why);
}

std::size_t FdEndpoint::Read(std::size_t max, std::string& out) {
  if (!IsUp() || max == 0) return 0;
  char buffer[4096];
  std::size_t total = 0;
  while (total < max) {
    const std::size_t want = std::min(sizeof buffer, max - total);
    const ssize_t n = ::read(fd_, buffer, want);
    if (n > 0) {
      out.append(buffer, static_cast<std::size_t>(n));
      total += static_cast<std::size_t>(n);
      if (static_cast<std::size_t>(n) < want) break;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
    // A pseudo-terminal's master reads EIO once nobody holds the other side.
    Drop(ReadEnded(n == 0 ? "closed by the far end" : ErrnoText(errno)));
    break;
  }
  return total;
}

ssize_t FdEndpoint::WriteSome(const char* bytes, std::size_t length) {
  return ::write(fd_, bytes, length);
}

void FdEndpoint::Write(std::string_view bytes) {
  if (!IsUp()) return;  // nobody at the far end: the bytes are gone
  if (unsent_.size() + bytes.size() > kMaxUnsent) return;
  unsent_.append(bytes);
  Flush();
}

void FdEndpoint::Flush() {
  while (!unsent_.empty() && IsUp()) {
    const ssize_t n = WriteSome(unsent_.data(), unsent_.size());
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
