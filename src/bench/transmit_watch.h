#pragma once

#include <cstdint>
#include <vector>

#include "platform/clock.h"
#include "platform/port_io.h"

namespace r7n::bench {

// Passes every access through and notes when a given byte is written to base
// unit 1's transmit data register: the moment a key's byte goes on the wire.
// Keeping only those times, rather than a whole port trace, lets a session
// of millions of accesses run on the real clock without slowing it down.
class TransmitWatch : public PortIo {
 public:
  TransmitWatch(PortIo& inner, Clock& clock, std::uint8_t byte)
      : inner_(inner), clock_(clock), byte_(byte) {}

  void Out(std::uint16_t port, std::uint8_t value) override;
  std::uint8_t In(std::uint16_t port) override { return inner_.In(port); }

  // Microseconds on the clock at each write of the byte, in order.
  const std::vector<std::int64_t>& Times() const { return times_; }

 private:
  PortIo& inner_;
  Clock& clock_;
  std::uint8_t byte_;
  std::uint8_t index_ = 0;
  std::vector<std::int64_t> times_;
};

// The longest time from each key press to the first write at or after it;
// presses and writes pair in order, one write per press. Presses without a
// write are not counted.
struct KeyToWire {
  std::int64_t worst_us = 0;
  int keys = 0;
};
KeyToWire WorstKeyToWire(const std::vector<std::int64_t>& presses_us,
                         const std::vector<std::int64_t>& writes_us);

}  // namespace r7n::bench
