#include "uart/uart_transfer.h"

#include <algorithm>

#include "platform/hex_text.h"

namespace r7n {

void UartTransfer::WaitTxStatus(const UartChanAdr& adr, std::uint8_t mask, std::uint8_t want,
                                std::string_view message) {
  link_.SelectRegister(adr, kUartTxSta);
  for (int polls = 0; polls <= kStatusPollLimit; ++polls) {
    if ((link_.PortIn(adr.port) & mask) == want) return;
  }
  // The message touches no port: the index still selects UartTxSta, so the
  // caller's writes that follow still go to UartTxDat.
  host_.TransmitWaitFailed(message);
}

void UartTransfer::UartWaitTxStaRdy(const UartChanAdr& adr) {
  WaitTxStatus(adr, kUartTxStaBusy, 0, "Timout on Wait UartTxStaRdy");
}

void UartTransfer::UartWaitTxStaEmpty(const UartChanAdr& adr) {
  WaitTxStatus(adr, kUartTxStaEmpty, kUartTxStaEmpty, "Timout on Wait UartTxStaEmpty");
}

void UartTransfer::UartSndStr(const UartChanAdr& adr, std::string_view text) {
  pump_.NoteSend();
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
    RcvPause(ReceiveTiming::kSlowSendPauseMs);
  }
}

std::int32_t UartTransfer::UartRcvCnt(const UartChanAdr& adr) {
  pump_.Collect(adr);
  return static_cast<std::int32_t>(std::min<std::size_t>(link_.Reserved(adr), kUartRcvCountMask));
}

UartReceived UartTransfer::UartRcvNbyt(const UartChanAdr& adr, std::int32_t n,
                                       std::int32_t timeout_ms, std::int32_t quiet) {
  UartReceived received;
  std::int32_t idle_ms = 0;
  bool error = false;
  for (;;) {
    pump_.Collect(adr);
    error = link_.TakeReceiveError(adr) || error;
    // Bytes beyond n stay in the reserve for the next call.
    const auto wanted = static_cast<std::size_t>(
        std::max<std::int32_t>(n - static_cast<std::int32_t>(received.text.size()), 0));
    if (link_.Reserved(adr) > 0) {
      received.text += link_.TakeReserved(adr, wanted);
      idle_ms = 0;
      if (static_cast<std::int32_t>(received.text.size()) >= n) break;
    }
    if (idle_ms >= timeout_ms) {
      if (quiet == 0) host_.ReceiveFailed("UartRcvNbyt TimeOut");
      received.failed = 1;
      break;
    }
    RcvPause(ReceiveTiming::kRcvTickMs);
    idle_ms += ReceiveTiming::kRcvTickMs;
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
    host_.ReceiveFailed("UartRcvNbyt Framing Error");
  }
  link_.RestartReceiver(adr);
}

void UartTransfer::PrnHexStr(std::string_view text) {
  std::string line;
  for (const char c : text) line += HexByte(static_cast<std::uint8_t>(c)) + ' ';
  host_.PrintLine(line);
}

}  // namespace r7n
