#include "uart/channel_access.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

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
  const PortLock lock(ports_mutex_);
  ports_.Out(PortNumber(port), value);
}

std::uint8_t UartLink::PortIn(std::int32_t port) {
  const PortLock lock(ports_mutex_);
  return ports_.In(PortNumber(port));
}

void UartLink::WriteIndex(std::int32_t data_port, std::uint8_t reg) {
  const PortLock lock(ports_mutex_);
  selected_[data_port] = reg;
  PortOut(data_port + 1, reg);
}

void UartLink::SelectRegister(const UartChanAdr& adr, int offset) {
  WriteIndex(adr.port, RegisterNumber(adr, offset));
}

void UartLink::RegWrite(const UartChanAdr& adr, int offset, std::uint8_t value) {
  const PortLock lock(ports_mutex_);
  SelectRegister(adr, offset);
  PortOut(adr.port, value);
}

std::uint8_t UartLink::RegRead(const UartChanAdr& adr, int offset) {
  const PortLock lock(ports_mutex_);
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
  const PortLock lock(ports_mutex_);
  RestartReceiver(adr);
  receivers_[adr.port].reserve.clear();
}

void UartLink::RestartReceiver(const UartChanAdr& adr) {
  const PortLock lock(ports_mutex_);
  RegWrite(adr, kUartCfg, kUartCfgInit);
  receivers_[adr.port].error = false;
}

std::size_t UartLink::DrainReceiver(const UartChanAdr& adr, bool restore_index) {
  const PortLock lock(ports_mutex_);
  Receiver& receiver = receivers_[adr.port];
  const auto before = selected_.find(adr.port);
  const bool restore = restore_index && before != selected_.end();
  const std::uint8_t reg = restore ? before->second : 0;
  const std::uint8_t status = RegRead(adr, kUartRcvSta);
  if ((status & kUartRcvError) != 0) receiver.error = true;
  std::size_t moved = 0;
  const std::size_t in_uart = status & kUartRcvCountMask;
  if (in_uart > 0 && receiver.reserve.size() < kMaxReserveBytes) {
    SelectRegister(adr, kUartRcvDat);
    for (; moved < in_uart; ++moved) receiver.reserve += static_cast<char>(PortIn(adr.port));
  }
  if (restore) WriteIndex(adr.port, reg);
  return moved;
}

std::size_t UartLink::Reserved(const UartChanAdr& adr) {
  const PortLock lock(ports_mutex_);
  return receivers_[adr.port].reserve.size();
}

std::string UartLink::TakeReserved(const UartChanAdr& adr, std::size_t max) {
  const PortLock lock(ports_mutex_);
  std::string& reserve = receivers_[adr.port].reserve;
  const std::size_t taken = std::min(max, reserve.size());
  std::string bytes = reserve.substr(0, taken);
  reserve.erase(0, taken);
  return bytes;
}

bool UartLink::TakeReceiveError(const UartChanAdr& adr) {
  const PortLock lock(ports_mutex_);
  return std::exchange(receivers_[adr.port].error, false);
}

void UartLink::UartCtlOn(const UartChanAdr& adr) {
  RegWrite(adr, kUartCtl, kUartCtlOn);
}

bool UartLink::BaseUnitPresent(std::int32_t port) {
  const PortLock lock(ports_mutex_);
  WriteIndex(port, static_cast<std::uint8_t>(kBoardId));
  return (PortIn(port) & kPresenceMask) == kPresenceValue;
}

void UartLink::ZcpReset() {
  SelectRegister(chan_adr_, kUartChanSel);
  PortOut(chan_adr_.port, kChanSelZcpReset);
  host_.Pause(kZcpResetMs, nullptr);
  PortOut(chan_adr_.port, kChanSelZcp);
  host_.Pause(kZcpResetMs, nullptr);
}

void UartLink::KjBusReset(bool hold) {
  PortOut(bus_reset_port_, hold ? kBusResetHold : kBusResetRelease);
}

}  // namespace r7n
