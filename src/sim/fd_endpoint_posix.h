#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "sim/endpoint.h"
#include "sim/endpoint_lifecycle.h"
#include "sim/unique_fd_posix.h"

namespace r7n::sim {

// What one attempt that worked holds open: a non-blocking descriptor, and
// whatever came with it (a link, a program), all of it let go when the
// connection is destroyed, whether the far end went or the endpoint did.
class FdConnection {
 public:
  explicit FdConnection(UniqueFd fd) : fd_(std::move(fd)) {}
  virtual ~FdConnection() = default;
  FdConnection(const FdConnection&) = delete;
  FdConnection& operator=(const FdConnection&) = delete;

  int Fd() const { return fd_.Get(); }

  // Whether the descriptor is still being connected, and the error if the
  // connection failed; sockets override.
  virtual bool StillOpening(std::string& /*error*/) { return false; }
  // A far end that can go without its descriptor saying so: why it went.
  virtual std::optional<std::string> Gone(std::int64_t /*now_us*/) { return std::nullopt; }
  virtual ssize_t WriteSome(const char* bytes, std::size_t length);
  // What to say when reading ended with why; a program says how it exited.
  virtual std::string ReadEnded(std::string why) { return why; }

 protected:
  // For a connection whose far end must see the descriptor close before the
  // rest of what it holds is let go.
  void CloseFd() { fd_.Reset(); }

 private:
  UniqueFd fd_;
};

// An endpoint behind one non-blocking file descriptor: reads take what is
// waiting, writes keep what the far end cannot take yet, and an error or an
// end of file lets the far end go until the next attempt.
class FdEndpoint : public Endpoint {
 public:
  // Written bytes kept for a far end that does not read; beyond this they are
  // lost, as on a real line nobody listens to.
  static constexpr std::size_t kMaxUnsent = 64 * 1024;

  FdEndpoint(const FdEndpoint&) = delete;
  FdEndpoint& operator=(const FdEndpoint&) = delete;

  void Service(std::int64_t now_us) override;
  std::size_t Read(std::size_t max, std::string& out) override;
  void Write(std::string_view bytes) override;
  std::size_t Unsent() const override { return unsent_.size(); }

 protected:
  explicit FdEndpoint(std::int64_t retry_us) : lifecycle_(*this, retry_us) {}

  // One attempt to bring the far end up: what it opened and a word on it; or
  // no connection, and why not.
  struct Opened {
    std::unique_ptr<FdConnection> connection;
    std::string detail;
  };
  virtual Opened Open() = 0;

 private:
  void TryOpen();
  void FinishOpening();
  void Fail(const std::string& error);
  void Drop(const std::string& why);
  void Flush();

  EndpointLifecycle lifecycle_;
  std::unique_ptr<FdConnection> connection_;
  std::string unsent_;
};

// A description of errno for messages.
std::string ErrnoText(int error);

}  // namespace r7n::sim
