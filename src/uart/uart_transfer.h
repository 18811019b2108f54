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
  // A pause that keeps the receiver drained looks at it again after the time
  // twelve bytes take at BaudRate, so that a UART with a 16-byte receive FIFO
  // still has room when the far end starts a burst; while bytes come it looks
  // again at once. A line long settled is looked at after 64 byte times,
  // half the base unit's 128-byte FIFO, which spares the processor on an idle
  // line. Never longer than 5 ms on a slow line; never shorter than 20 us,
  // below which the bus could not keep up anyway.
  static constexpr std::int64_t kQuietSliceBytes = 12;
  static constexpr std::int64_t kSettledSliceBytes = 64;
  static constexpr std::int64_t kLongestQuietSliceUs = 5000;
  static constexpr std::int64_t kShortestQuietSliceUs = 20;
  // The reserve stops growing here (over a minute of talk at 115200 bit/s
  // that nobody reads); the UART's own FIFO then overflows as it would.
  static constexpr std::size_t kMaxReserveBytes = std::size_t{1} << 20;

  UartTransfer(UartLink& link, Console& console, ScreenHelpers& helpers)
      : link_(link), con_(console), helpers_(helpers) {}

  void UartWaitTxStaRdy(const UartChanAdr& adr);
  void UartWaitTxStaEmpty(const UartChanAdr& adr);
  // Sends the text in blocks of up to 128 bytes, each after a ready wait.
  void UartSndStr(const UartChanAdr& adr, std::string_view text);
  // Sends byte by byte on the current channel, 10 ms after each byte.
  void UartSndStrDly(std::string_view text);
  // Bytes waiting, those already drained included; at most 127.
  std::int32_t UartRcvCnt(const UartChanAdr& adr);
  // Collects up to n bytes; gives up after timeout_ms without a byte. With
  // quiet 0 a time-out or framing error is shown on the message line.
  UartReceived UartRcvNbyt(const UartChanAdr& adr, std::int32_t n, std::int32_t timeout_ms,
                           std::int32_t quiet);
  // Prints every byte as two hex digits and a space, then ends the line.
  void PrnHexStr(std::string_view text);

  // A ConSleep that keeps draining the current channel's receiver, so that
  // its FIFO never overflows however long the far end talks: what arrives
  // waits in the link's receive reserve for the next receive, exactly as if
  // it had waited in the UART. Every pause between a send and the reading of
  // its reply is taken this way.
  void RcvPause(int ms);
  // Runs during a RcvPause whenever received bytes wait (empty: nothing).
  // The terminal uses it to show what arrives during paced sends and macro
  // waits as it arrives.
  void SetArrivalHook(std::function<void()> hook) { arrival_hook_ = std::move(hook); }
  // How long a quiet receiver may go unread at the current BaudRate; longer
  // once the line has settled.
  std::int64_t QuietSliceUs(bool settled = false) const;

 private:
  // Polls UartTxSta until (status & mask) == want, at most 100,001 reads;
  // shows message when it never got there. The index stays on UartTxSta.
  void WaitTxStatus(const UartChanAdr& adr, std::uint8_t mask, std::uint8_t want,
                    std::string_view message);
  void ReportReceiveError(const UartChanAdr& adr, std::int32_t quiet);
  // Moves every byte waiting in adr's receive FIFO to the reserve; how many.
  std::int32_t DrainToReserve(const UartChanAdr& adr);
  // One look at the receiver during a RcvPause; how long until the next.
  std::int64_t DrainStep();

  UartLink& link_;
  Console& con_;
  ScreenHelpers& helpers_;
  std::function<void()> arrival_hook_;
};

}  // namespace r7n
