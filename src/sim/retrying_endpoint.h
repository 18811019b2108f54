#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "sim/endpoint.h"

namespace r7n::sim {

// The bookkeeping every endpoint backend without a file descriptor shares:
// it is down until an attempt to open it works, an attempt is made at most
// every retry_us, and a far end that goes is let go until the next attempt.
class RetryingEndpoint : public Endpoint {
 public:
  void Service(std::int64_t now_us) override {
    now_us_ = now_us;
    if (up_) return Check();
    if (now_us < next_try_us_) return;
    std::string detail;
    if (Open(detail)) {
      up_ = true;
      Tell(Event::kUp, detail);
    } else {
      next_try_us_ = now_us + retry_us_;
      Tell(Event::kFailed, detail);
    }
  }
  std::size_t Read(std::size_t max, std::string& out) override {
    return up_ && max > 0 ? ReadSome(max, out) : 0;
  }
  void Write(std::string_view bytes) override {
    if (up_) WriteSome(bytes);  // nobody at the far end: the bytes are gone
  }

 protected:
  explicit RetryingEndpoint(std::int64_t retry_us) : retry_us_(retry_us) {}

  // One attempt to bring the far end up; detail says what was opened or why not.
  virtual bool Open(std::string& detail) = 0;
  virtual void Close() = 0;
  virtual std::size_t ReadSome(std::size_t max, std::string& out) = 0;
  virtual void WriteSome(std::string_view bytes) = 0;
  // Notices, while up, a far end that has gone without a failed read.
  virtual void Check() {}

  void Drop(const std::string& why) {
    Close();
    up_ = false;
    next_try_us_ = now_us_ + retry_us_;
    Tell(Event::kDown, why);
  }

 private:
  std::int64_t retry_us_;
  std::int64_t now_us_ = 0;
  std::int64_t next_try_us_ = 0;
  bool up_ = false;
};

}  // namespace r7n::sim
