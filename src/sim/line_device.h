#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace r7n::sim {

// Something at the far end of a base unit's serial line: the ZCP controller
// or a module's console. The line delivers each byte once its ten bit times
// have passed; what the device sends back it appends to out, and the line
// carries those bytes at its own rate, after anything it still has queued.
class LineDevice {
 public:
  virtual ~LineDevice() = default;

  // A byte from the UART has fully arrived at now_us.
  virtual void Receive(std::uint8_t byte, std::int64_t now_us, std::string& out) = 0;

  // Time has passed without a byte; a device that acts on time alone (a
  // banner once a reset has ended) does it here. Called with every advance of
  // the model, whether or not the line is connected to the device.
  virtual void Tick(std::int64_t /*now_us*/, std::string& /*out*/) {}

  // A device fed from outside the model (a real console) appends at most max
  // bytes that are waiting to out and returns how many; the line decides how
  // many it can carry by now, so a fast writer is held back where it writes.
  // Model devices answer from Receive and Tick instead.
  virtual std::size_t Supply(std::size_t /*max*/, std::string& /*out*/) { return 0; }
};

// No module fitted, or one that is powered off: it never answers.
class SilentDevice : public LineDevice {
 public:
  void Receive(std::uint8_t /*byte*/, std::int64_t /*now_us*/, std::string& /*out*/) override {}
};

}  // namespace r7n::sim
