#include "uart/channel_access.h"

#include <cmath>
#include <limits>

namespace r7n {
namespace {

std::uint16_t PortNumber(std::int32_t port) {
  return static_cast<std::uint16_t>(port & 0xFFFF);
}

std::uint8_t RegisterNumber(const UartChanAdr& adr, int offset) {
  return static_cast<std::uint8_t>((adr.regBase + offset) & 0xFF);
}

std::uint8_t ChannelSelector(std::int32_t channel) {
  if (channel >= 1 && channel <= 4) {
    return static_cast<std::uint8_t>(kChanSelModuleA + 0x10 * (channel - 1));
  }
  return kChanSelZcp;
}

}  // namespace

std::int32_t UartDivisor(std::int32_t clock_hz, std::int32_t baud) {
  constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
  if (baud <= 0) return kMax;
  const double divisor = std::floor(static_cast<double>(clock_hz) / baud + 0.5);
  if (divisor >= static_cast<double>(kMax)) return kMax;
  if (divisor <= 0) return 0;
  return static_cast<std::int32_t>(divisor);
}

void UartLink::PortOut(std::int32_t port, std::uint8_t value) {
  ports_.Out(PortNumber(port), value);
}

std::uint8_t UartLink::PortIn(std::int32_t port) {
  return ports_.In(PortNumber(port));
}

void UartLink::SelectRegister(const UartChanAdr& adr, int offset) {
  PortOut(adr.port + 1, RegisterNumber(adr, offset));
}

void UartLink::RegWrite(const UartChanAdr& adr, int offset, std::uint8_t value) {
  SelectRegister(adr, offset);
  PortOut(adr.port, value);
}

std::uint8_t UartLink::RegRead(const UartChanAdr& adr, int offset) {
  SelectRegister(adr, offset);
  return PortIn(adr.port);
}

void UartLink::UartSelChan(std::int32_t channel) {
  RegWrite(chan_adr_, kUartChanSel, ChannelSelector(channel));
  UartSetBaud(kUartClockHz, baud_rate_, chan_adr_);
}

void UartLink::UartSetBaud(std::int32_t clock_hz, std::int32_t baud, const UartChanAdr& adr) {
  const std::int32_t divisor = UartDivisor(clock_hz, baud);
  RegWrite(adr, kUartDivLo, static_cast<std::uint8_t>(divisor & 0xFF));
  RegWrite(adr, kUartDivHi, static_cast<std::uint8_t>((divisor >> 8) & 0xFF));
  UartRcvInit(adr);
  UartCtlOn(adr);
}

void UartLink::UartRcvInit(const UartChanAdr& adr) {
  RegWrite(adr, kUartCfg, kUartCfgInit);
  RcvReserve(adr).clear();
}

void UartLink::UartCtlOn(const UartChanAdr& adr) {
  RegWrite(adr, kUartCtl, kUartCtlOn);
}

bool UartLink::BaseUnitPresent(std::int32_t port) {
  PortOut(port + 1, static_cast<std::uint8_t>(kBoardId));
  return (PortIn(port) & kPresenceMask) == kPresenceValue;
}

void UartLink::ZcpReset() {
  SelectRegister(chan_adr_, kUartChanSel);
  PortOut(chan_adr_.port, kChanSelZcpReset);
  con_.ConSleep(kZcpResetMs);
  PortOut(chan_adr_.port, kChanSelZcp);
  con_.ConSleep(kZcpResetMs);
}

void UartLink::KjBusReset(bool hold) {
  PortOut(bus_reset_port_, hold ? kBusResetHold : kBusResetRelease);
}

}  // namespace r7n
