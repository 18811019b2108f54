#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "sim/endpoint.h"
#include "sim/endpoint_lifecycle.h"

namespace r7n::sim {

// An endpoint whose far end an attempt opens whole, or not at all: it is up
// from the attempt that worked until a read, a write or a check finds it gone.
class RetryingEndpoint : public Endpoint {
 public:
  void Service(std::int64_t now_us) override {
    lifecycle_.Serviced(now_us);
    if (lifecycle_.IsUp()) return Check();
    if (!lifecycle_.AttemptDue()) return;
    std::string detail;
    if (Open(detail)) return lifecycle_.Up(detail);
    lifecycle_.Failed(detail);
  }
  std::size_t Read(std::size_t max, std::string& out) override {
    return lifecycle_.IsUp() && max > 0 ? ReadSome(max, out) : 0;
  }
  void Write(std::string_view bytes) override {
    if (lifecycle_.IsUp()) WriteSome(bytes);  // nobody at the far end: the bytes are gone
  }

 protected:
  explicit RetryingEndpoint(std::int64_t retry_us) : lifecycle_(*this, retry_us) {}

  // One attempt to bring the far end up; detail says what was opened or why not.
  virtual bool Open(std::string& detail) = 0;
  // Lets go of what Open took; never called from a destructor, so whatever
  // holds a handle closes it itself when it goes.
  virtual void Close() = 0;
  virtual std::size_t ReadSome(std::size_t max, std::string& out) = 0;
  virtual void WriteSome(std::string_view bytes) = 0;
  // Notices, while up, a far end that has gone without a failed read.
  virtual void Check() {}

  void Drop(const std::string& why) {
    Close();
    lifecycle_.Down(why);
  }

 private:
  EndpointLifecycle lifecycle_;
};

}  // namespace r7n::sim
