#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "uart/channel_access.h"
#include "uart/receive_pump.h"
#include "uart/uart_host.h"

namespace r7n {

// What a receive brought: every byte that arrived (NUL included) and whether
// it ended on a time-out or a receive error (1) or with all bytes in (0).
struct UartReceived {
  std::string text;
  std::int32_t failed = 0;
};

// Moving bytes over the UART of the current base unit: bounded waits on the
// transmitter, block and paced sends, and reception with an idle time-out.
// What arrives is read by the pump; failed waits and receives are told to
// the host.
class UartTransfer {
 public:
  static constexpr int kTxBlock = 128;
  static constexpr int kStatusPollLimit = 100'000;

  UartTransfer(UartLink& link, ReceivePump& pump, UartHost& host)
      : link_(link), pump_(pump), host_(host) {}

  void UartWaitTxStaRdy(const UartChanAdr& adr);
  void UartWaitTxStaEmpty(const UartChanAdr& adr);
  // Sends the text in blocks of up to 128 bytes, each after a ready wait.
  void UartSndStr(const UartChanAdr& adr, std::string_view text);
  // Sends byte by byte on the current channel, 10 ms after each byte.
  void UartSndStrDly(std::string_view text);
  // Bytes waiting, those already drained included; at most 127.
  std::int32_t UartRcvCnt(const UartChanAdr& adr);
  // Collects up to n bytes; gives up after timeout_ms without a byte. With
  // quiet 0 a time-out or framing error is told to the host.
  UartReceived UartRcvNbyt(const UartChanAdr& adr, std::int32_t n, std::int32_t timeout_ms,
                           std::int32_t quiet);
  // Prints every byte as two hex digits and a space, then ends the line.
  void PrnHexStr(std::string_view text);
  // A pause that keeps the current channel's receiver drained (the pump's).
  void RcvPause(int ms) { pump_.Pause(ms); }

 private:
  // Polls UartTxSta until (status & mask) == want, at most 100,001 reads;
  // tells the host when it never got there. The index stays on UartTxSta.
  void WaitTxStatus(const UartChanAdr& adr, std::uint8_t mask, std::uint8_t want,
                    std::string_view message);
  void ReportReceiveError(const UartChanAdr& adr, std::int32_t quiet);

  UartLink& link_;
  ReceivePump& pump_;
  UartHost& host_;
};

}  // namespace r7n
