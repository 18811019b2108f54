#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

namespace r7n {

// What the UART code asks of the program around it: the operator hears of
// failed waits and receives, and a pause is the program's own (the screen
// shown, the keyboard watched). The console implements it; the UART code
// knows nothing of screens or keys.
class UartHost {
 public:
  // Called all along a pause: microseconds until it wants to be called
  // again (0: at once), or kEndPause to end the pause now.
  using PauseLook = std::function<std::int64_t()>;
  static constexpr std::int64_t kEndPause = -1;

  virtual ~UartHost() = default;

  // A wait on the transmitter never saw the status it waited for.
  virtual void TransmitWaitFailed(std::string_view message) = 0;
  // A receive timed out or the UART saw a framing error.
  virtual void ReceiveFailed(std::string_view message) = 0;
  // One line of output, such as a reply in hexadecimal.
  virtual void PrintLine(std::string_view text) = 0;
  // Pauses for ms milliseconds, calling look (if any) all along.
  virtual void Pause(int ms, const PauseLook& look) = 0;
};

}  // namespace r7n
