#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "console/console.h"
#include "console/screen_helpers.h"
#include "uart/channel_access.h"

namespace r7n {

// What a receive brought: every byte that arrived (NUL included) and whether
// it ended on a time-out or a receive error (1) or with all bytes in (0).
struct UartReceived {
  std::string text;
  std::int32_t failed = 0;
};

// Moving bytes over the UART of the current base unit: bounded waits on the
// transmitter, block and paced sends, and reception with an idle time-out.
class UartTransfer {
 public:
  static constexpr int kTxBlock = 128;
  static constexpr int kStatusPollLimit = 100'000;
  static constexpr int kRcvTickMs = 10;
  static constexpr int kSlowSendPauseMs = 10;

  UartTransfer(UartLink& link, Console& console, ScreenHelpers& helpers)
      : link_(link), con_(console), helpers_(helpers) {}

  void UartWaitTxStaRdy(const UartChanAdr& adr);
  void UartWaitTxStaEmpty(const UartChanAdr& adr);
  // Sends the text in blocks of up to 128 bytes, each after a ready wait.
  void UartSndStr(const UartChanAdr& adr, std::string_view text);
  // Sends byte by byte on the current channel, 10 ms after each byte.
  void UartSndStrDly(std::string_view text);
  std::int32_t UartRcvCnt(const UartChanAdr& adr);
  // Collects up to n bytes; gives up after timeout_ms without a byte. With
  // quiet 0 a time-out or framing error is shown on the message line.
  UartReceived UartRcvNbyt(const UartChanAdr& adr, std::int32_t n, std::int32_t timeout_ms,
                           std::int32_t quiet);
  // Prints every byte as two hex digits and a space, then ends the line.
  void PrnHexStr(std::string_view text);

  // Runs after the pause of every byte UartSndStrDly sends (empty: nothing).
  // A paced send of n bytes leaves the receiver unread for n x 10 ms; the
  // terminal uses this to show what arrives meanwhile instead of letting the
  // receive FIFO overflow.
  void SetPacingHook(std::function<void()> hook) { pacing_hook_ = std::move(hook); }

 private:
  // Polls UartTxSta until (status & mask) == want, at most 100,001 reads;
  // shows message when it never got there. The index stays on UartTxSta.
  void WaitTxStatus(const UartChanAdr& adr, std::uint8_t mask, std::uint8_t want,
                    std::string_view message);
  void ReportReceiveError(const UartChanAdr& adr, std::int32_t quiet);

  UartLink& link_;
  Console& con_;
  ScreenHelpers& helpers_;
  std::function<void()> pacing_hook_;
};

}  // namespace r7n
