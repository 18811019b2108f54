#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/clock.h"
#include "uart/channel_access.h"
#include "uart/uart_transfer.h"

namespace r7n {

// How long a dialogue step listens for what it expects.
struct ListenLimits {
  // Nothing at all has come back in this time: nobody answers.
  std::int32_t silent_ms = 0;
  // The line has been quiet this long: the console waits for input, and what
  // it shows is looked at (0: looked at whenever bytes have come).
  std::int32_t settle_ms = 0;
  // The longest the step listens, whatever the console does.
  std::int32_t total_ms = 0;
};

struct Heard {
  std::string reply;     // every byte received, as it came
  std::string readable;  // the reply as ReadableReply reads it
  bool expected = false;
};

// Listens on the current channel until the console shows what a dialogue
// step expects, quietly: receive errors and time-outs are no messages here,
// the step judges what it heard.
class ConsoleListener {
 public:
  using Expectation = std::function<bool(std::string_view readable)>;

  ConsoleListener(UartLink& link, UartTransfer& uart, Clock& clock)
      : link_(link), uart_(uart), clock_(clock) {}

  // Collects the reply until `expected` holds for its readable text (see
  // ReadableReply), or the limits end the step.
  Heard Listen(const Expectation& expected, const ListenLimits& limits);

 private:
  static constexpr std::int32_t kTickMs = 10;
  // The most a step keeps: a login's banners and message of the day fit many
  // times over, and the prompts it looks for are at the end.
  static constexpr std::size_t kWindowBytes = 8192;

  UartLink& link_;
  UartTransfer& uart_;
  Clock& clock_;
};

}  // namespace r7n
