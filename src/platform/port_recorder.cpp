#include "platform/port_recorder.h"

namespace r7n {

void PortRecorder::Out(std::uint16_t port, std::uint8_t value) {
  if (enabled_) trace_.push_back({clock_.NowUs(), port, true, value});
  inner_.Out(port, value);
}

std::uint8_t PortRecorder::In(std::uint16_t port) {
  const std::uint8_t value = inner_.In(port);
  if (enabled_) trace_.push_back({clock_.NowUs(), port, false, value});
  return value;
}

}  // namespace r7n
