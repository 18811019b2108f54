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
    RcvPause(kSlowSendPauseMs);
  }
}

std::int32_t UartTransfer::UartRcvCnt(const UartChanAdr& adr) {
  const std::size_t waiting =
      link_.RcvReserve(adr).size() + (link_.RegRead(adr, kUartRcvSta) & kUartRcvCountMask);
  return static_cast<std::int32_t>(std::min<std::size_t>(waiting, kUartRcvCountMask));
}

UartReceived UartTransfer::UartRcvNbyt(const UartChanAdr& adr, std::int32_t n,
                                       std::int32_t timeout_ms, std::int32_t quiet) {
  UartReceived received;
  std::string& reserve = link_.RcvReserve(adr);
  std::int32_t idle_ms = 0;
  bool error = false;
  for (;;) {
    const std::uint8_t status = link_.RegRead(adr, kUartRcvSta);
    const std::int32_t in_uart = status & kUartRcvCountMask;
    error = (status & kUartRcvError) != 0;
    if (in_uart > 0 || !reserve.empty()) {
      // The reserve holds the older bytes. Bytes beyond n stay for the next call.
      const auto wanted = static_cast<std::size_t>(
          std::max<std::int32_t>(n - static_cast<std::int32_t>(received.text.size()), 0));
      const std::size_t reserved = std::min(reserve.size(), wanted);
      received.text.append(reserve, 0, reserved);
      reserve.erase(0, reserved);
      const auto from_uart = static_cast<std::int32_t>(
          std::min<std::size_t>(static_cast<std::size_t>(in_uart), wanted - reserved));
      link_.SelectRegister(adr, kUartRcvDat);
      for (std::int32_t i = 0; i < from_uart; ++i) {
        received.text += static_cast<char>(link_.PortIn(adr.port));
      }
      idle_ms = 0;
      if (static_cast<std::int32_t>(received.text.size()) >= n) break;
    }
    if (idle_ms >= timeout_ms) {
      if (quiet == 0) helpers_.ErrMsgBell("UartRcvNbyt TimeOut");
      received.failed = 1;
      break;
    }
    RcvPause(kRcvTickMs);
    idle_ms += kRcvTickMs;
  }
  if (error) {
    ReportReceiveError(adr, quiet);
    received.failed = 1;
  }
  return received;
}

void UartTransfer::RcvPause(int ms) {
  con_.ConSleepPolling(ms, [this] { return DrainStep(); });
}

std::int32_t UartTransfer::DrainToReserve(const UartChanAdr& adr) {
  std::string& reserve = link_.RcvReserve(adr);
  if (reserve.size() >= kMaxReserveBytes) return 0;
  const std::int32_t in_uart = link_.RegRead(adr, kUartRcvSta) & kUartRcvCountMask;
  if (in_uart == 0) return 0;
  link_.SelectRegister(adr, kUartRcvDat);
  for (std::int32_t i = 0; i < in_uart; ++i) reserve += static_cast<char>(link_.PortIn(adr.port));
  return in_uart;
}

std::int64_t UartTransfer::DrainStep() {
  const UartChanAdr& adr = link_.ChanAdr();
  const bool arrived = DrainToReserve(adr) > 0;
  if (arrival_hook_ && !link_.RcvReserve(adr).empty()) arrival_hook_();
  return arrived ? 0 : QuietSliceUs();
}

std::int64_t UartTransfer::QuietSliceUs(bool settled) const {
  const std::int64_t baud = link_.BaudRate();
  if (baud <= 0) return kLongestQuietSliceUs;
  // A byte is ten bit times on the line: start, eight data bits, stop.
  const std::int64_t bytes = settled ? kSettledSliceBytes : kQuietSliceBytes;
  const std::int64_t slice_us = bytes * 10 * 1'000'000 / baud;
  return std::clamp(slice_us, kShortestQuietSliceUs, kLongestQuietSliceUs);
}

void UartTransfer::ReportReceiveError(const UartChanAdr& adr, std::int32_t quiet) {
  const std::uint8_t flags = link_.RegRead(adr, kUartCfg);
  if (quiet == 0 && (flags & kUartCfgFraming) != 0) {
    helpers_.ErrMsgBell("UartRcvNbyt Framing Error");
  }
  link_.UartRcvInit(adr);
}

void UartTransfer::PrnHexStr(std::string_view text) {
  std::string line;
  for (const char c : text) line += HexByte(static_cast<std::uint8_t>(c)) + ' ';
  con_.ConPrint(line, true);
}

}  // namespace r7n
