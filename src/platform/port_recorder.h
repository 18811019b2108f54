#pragma once

#include <cstdint>
#include <vector>

#include "platform/clock.h"
#include "platform/port_io.h"

namespace r7n {

// Passes every access through and keeps (time, port, direction, value), so
// tests can compare the exact register sequences.
class PortRecorder : public PortIo {
 public:
  struct Access {
    std::int64_t time_us;
    std::uint16_t port;
    bool write;
    std::uint8_t value;  // written, or read back
    friend bool operator==(const Access&, const Access&) = default;
  };

  PortRecorder(PortIo& inner, Clock& clock) : inner_(inner), clock_(clock) {}

  void Out(std::uint16_t port, std::uint8_t value) override;
  std::uint8_t In(std::uint16_t port) override;

  const std::vector<Access>& Trace() const { return trace_; }
  void Clear() { trace_.clear(); }
  void SetEnabled(bool enabled) { enabled_ = enabled; }

 private:
  PortIo& inner_;
  Clock& clock_;
  std::vector<Access> trace_;
  bool enabled_ = true;
};

}  // namespace r7n
