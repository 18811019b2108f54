#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>

#include "sim/endpoint.h"

namespace r7n::sim {

// An endpoint behind one non-blocking file descriptor: reads take what is
// waiting, writes keep what the far end cannot take yet, and an error or an
// end of file lets the far end go until the next attempt.
class FdEndpoint : public Endpoint {
 public:
  // Written bytes kept for a far end that does not read; beyond this they are
  // lost, as on a real line nobody listens to.
  static constexpr std::size_t kMaxUnsent = 64 * 1024;

  ~FdEndpoint() override;
  FdEndpoint(const FdEndpoint&) = delete;
  FdEndpoint& operator=(const FdEndpoint&) = delete;

  void Service(std::int64_t now_us) override;
  std::size_t Read(std::size_t max, std::string& out) override;
  void Write(std::string_view bytes) override;
  std::size_t Unsent() const override { return unsent_.size(); }

 protected:
  explicit FdEndpoint(std::int64_t retry_us) : retry_us_(retry_us) {}

  // One attempt to bring the far end up: the descriptor, non-blocking, and a
  // word on what was opened; or -1 and why not.
  struct Opened {
    int fd = -1;
    std::string detail;
  };
  virtual Opened Open() = 0;
  // Lets go of whatever Open took besides the descriptor (closed already).
  virtual void Release() {}
  // A far end that can go without its descriptor saying so: why it went.
  virtual std::optional<std::string> Gone() { return std::nullopt; }
  // Whether the descriptor is still being connected, and the error if the
  // connection failed; sockets override.
  virtual bool StillOpening(std::string& /*error*/) { return false; }
  virtual ssize_t WriteSome(const char* bytes, std::size_t length);
  // What to say when reading ended with why; a program says how it exited.
  virtual std::string ReadEnded(std::string why) { return why; }

  // Closes the descriptor, tells why, and schedules the next attempt.
  void Drop(const std::string& why);
  bool IsUp() const { return fd_ >= 0 && !opening_; }
  void SetRetry(std::int64_t retry_us) { retry_us_ = retry_us; }
  int Fd() const { return fd_; }
  std::int64_t NowUs() const { return now_us_; }
  // Called by derived destructors, which must release before the base goes.
  void Shut();

 private:
  void TryOpen(std::int64_t now_us);
  void Flush();

  std::int64_t retry_us_;
  int fd_ = -1;
  bool opening_ = false;
  std::string opened_detail_;
  std::int64_t now_us_ = 0;
  std::int64_t next_try_us_ = 0;
  std::string unsent_;
};

// A description of errno for messages.
std::string ErrnoText(int error);

}  // namespace r7n::sim
