#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "console/console.h"
#include "platform/port_io.h"
#include "uart/uart_registers.h"

namespace r7n {

// The divisor for a clock and a baud rate, rounded half up. A rate of 0 or
// below, or one so low that the quotient leaves the 32-bit range, saturates
// instead of overflowing; only its low 16 bits reach the UART anyway.
std::int32_t UartDivisor(std::int32_t clock_hz, std::int32_t baud);

// The link to the base units' UARTs: the program-wide link settings and the
// register-level operations every transfer is built from.
class UartLink {
 public:
  UartLink(PortIo& ports, Console& console) : ports_(ports), con_(console) {}

  // The current channel address; actions set its port to the base unit they
  // work on, and it keeps that value afterwards.
  UartChanAdr& ChanAdr() { return chan_adr_; }
  std::int32_t BaudRate() const { return baud_rate_; }
  void SetBaudRate(std::int32_t baud) { baud_rate_ = baud; }
  std::int32_t BusResetPort() const { return bus_reset_port_; }
  void SetBusResetPort(std::int32_t port) { bus_reset_port_ = port; }

  void PortOut(std::int32_t port, std::uint8_t value);
  std::uint8_t PortIn(std::int32_t port);
  void RegWrite(const UartChanAdr& adr, int offset, std::uint8_t value);
  std::uint8_t RegRead(const UartChanAdr& adr, int offset);
  // Selects the index register of adr without touching the data port, for
  // runs of data accesses to one register.
  void SelectRegister(const UartChanAdr& adr, int offset);

  // Connects the current base unit's UART to channel 0 (ZCP controller) or
  // 1-4 (modules A-D) and reprograms the baud divisor from BaudRate.
  void UartSelChan(std::int32_t channel);
  void UartSetBaud(std::int32_t clock_hz, std::int32_t baud, const UartChanAdr& adr);
  void UartRcvInit(const UartChanAdr& adr);
  // Bytes already taken out of the receive FIFO of adr's UART that no receive
  // has collected yet, oldest first. They count as still waiting in the UART,
  // and UartRcvInit discards them with the FIFO.
  std::string& RcvReserve(const UartChanAdr& adr) { return rcv_reserve_[adr.port]; }
  void UartCtlOn(const UartChanAdr& adr);
  // True when the base unit with this data port answers with its BoardId.
  bool BaseUnitPresent(std::int32_t port);
  // Holds the current base unit's ZCP controller in reset for 10 ms, then
  // connects the UART to it again.
  void ZcpReset();
  void KjBusReset(bool hold);

 private:
  static constexpr int kZcpResetMs = 10;

  PortIo& ports_;
  Console& con_;
  UartChanAdr chan_adr_{kBase1Port, kUartRegBase};
  std::int32_t baud_rate_ = kDefaultBaudRate;
  std::int32_t bus_reset_port_ = kBusResetPort;
  std::map<std::int32_t, std::string> rcv_reserve_;
};

}  // namespace r7n
