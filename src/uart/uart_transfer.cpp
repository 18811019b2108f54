#include "uart/uart_transfer.h"

#include <algorithm>

namespace r7n {

void UartTransfer::WaitTxStatus(const UartChanAdr& adr, std::uint8_t mask, std::uint8_t want,
                                std::string_view message) {
  link_.SelectRegister(adr, kUartTxSta);
  for (int polls = 0; polls <= kStatusPollLimit; ++polls) {
    if ((link_.PortIn(adr.port) & mask) == want) return;
  }
  // The message touches no port: the index still selects UartTxSta, so the
  // caller's writes that follow still go to UartTxDat.
  helpers_.MsgLineKey(ScreenHelpers::kErrorRow, ScreenHelpers::kErrorBg, ScreenHelpers::kErrorFg,
                      message, 0);
}

void UartTransfer::UartWaitTxStaRdy(const UartChanAdr& adr) {
  WaitTxStatus(adr, kUartTxStaBusy, 0, "Timout on Wait UartTxStaRdy");
}

void UartTransfer::UartWaitTxStaEmpty(const UartChanAdr& adr) {
  WaitTxStatus(adr, kUartTxStaEmpty, kUartTxStaEmpty, "Timout on Wait UartTxStaEmpty");
}

void UartTransfer::UartSndStr(const UartChanAdr& adr, std::string_view text) {
  std::size_t position = 0;
  do {
    UartWaitTxStaRdy(adr);
    const std::size_t block = std::min(text.size() - position, std::size_t{kTxBlock});
    for (const char c : text.substr(position, block)) {
      link_.PortOut(adr.port, static_cast<std::uint8_t>(c));
    }
    position += block;
  } while (position < text.size());
}

void UartTransfer::UartSndStrDly(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    UartSndStr(link_.ChanAdr(), text.substr(i, 1));
    con_.ConSleep(kSlowSendPauseMs);
    if (pacing_hook_) pacing_hook_();
  }
}

std::int32_t UartTransfer::UartRcvCnt(const UartChanAdr& adr) {
  return link_.RegRead(adr, kUartRcvSta) & kUartRcvCountMask;
}

UartReceived UartTransfer::UartRcvNbyt(const UartChanAdr& adr, std::int32_t n,
                                       std::int32_t timeout_ms, std::int32_t quiet) {
  UartReceived received;
  std::int32_t idle_ms = 0;
  std::int32_t total = 0;
  bool error = false;
  for (;;) {
    const std::uint8_t status = link_.RegRead(adr, kUartRcvSta);
    std::int32_t count = status & kUartRcvCountMask;
    error = (status & kUartRcvError) != 0;
    if (count > 0) {
      // Bytes beyond n stay in the UART for the next call.
      count = std::min(count, n - total);
      link_.SelectRegister(adr, kUartRcvDat);
      for (std::int32_t i = 0; i < count; ++i) {
        received.text += static_cast<char>(link_.PortIn(adr.port));
      }
      idle_ms = 0;
      total += std::max(count, 0);
      if (total >= n) break;
    }
    if (idle_ms >= timeout_ms) {
      if (quiet == 0) helpers_.ErrMsgBell("UartRcvNbyt TimeOut");
      received.failed = 1;
      break;
    }
    con_.ConSleep(kRcvTickMs);
    idle_ms += kRcvTickMs;
  }
  if (error) {
    ReportReceiveError(adr, quiet);
    received.failed = 1;
  }
  return received;
}

void UartTransfer::ReportReceiveError(const UartChanAdr& adr, std::int32_t quiet) {
  const std::uint8_t flags = link_.RegRead(adr, kUartCfg);
  if (quiet == 0 && (flags & kUartCfgFraming) != 0) {
    helpers_.ErrMsgBell("UartRcvNbyt Framing Error");
  }
  link_.UartRcvInit(adr);
}

void UartTransfer::PrnHexStr(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string line;
  for (const char c : text) {
    const auto byte = static_cast<std::uint8_t>(c);
    line += kHex[byte >> 4];
    line += kHex[byte & 0x0F];
    line += ' ';
  }
  con_.ConPrint(line, true);
}

}  // namespace r7n
