#pragma once

#include <cstdint>

namespace r7n {

// Byte-wide access to the PC's I/O ports. Every hardware access of the program
// goes through one of these: the real port backend, the simulated chassis, or a
// decorator (guard, recorder) around either.
class PortIo {
 public:
  virtual ~PortIo() = default;
  virtual void Out(std::uint16_t port, std::uint8_t value) = 0;
  virtual std::uint8_t In(std::uint16_t port) = 0;
};

}  // namespace r7n
