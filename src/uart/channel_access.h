#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include "platform/inheriting_mutex.h"
#include "platform/port_io.h"
#include "uart/uart_host.h"
#include "uart/uart_registers.h"

namespace r7n {

// The divisor for a clock and a baud rate, rounded half up. A rate of 0 or
// below, or one so low that the quotient leaves the 32-bit range, saturates
// instead of overflowing; only its low 16 bits reach the UART anyway.
std::int32_t UartDivisor(std::int32_t clock_hz, std::int32_t baud);

// The link to the base units' UARTs: the program-wide link settings and the
// register-level operations every transfer is built from. A thread that
// reads the receiver (ReceivePump's) may share it with the program: every
// port access is serialised, and a drain leaves the index register where
// the program last put it, so the program's own runs of data accesses to
// one register stay valid.
class UartLink {
 public:
  // The receive reserve stops growing here (over a minute of talk at 115200
  // bit/s that nobody reads); the UART's own FIFO then overflows as it would.
  static constexpr std::size_t kMaxReserveBytes = std::size_t{1} << 20;

  UartLink(PortIo& ports, UartHost& host) : ports_(ports), host_(host) {}

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
  // Initialises the receiver; what the receive reserve held goes with the FIFO.
  void UartRcvInit(const UartChanAdr& adr);
  // Initialises the receiver after a receive error. What the reserve holds
  // stays: those bytes left the FIFO whole before the error, and a reader
  // thread may have gathered many of them.
  void RestartReceiver(const UartChanAdr& adr);

  // The receive reserve: bytes already taken out of the receive FIFO of
  // adr's UART that no receive has collected yet, oldest first. They count
  // as still waiting in the UART.
  //
  // Moves every byte waiting in the FIFO to the reserve and notes an error
  // the receiver reports; how many bytes moved. A thread other than the
  // program's restores the index, so the program's runs of data accesses to
  // one register are not broken by the drain.
  std::size_t DrainReceiver(const UartChanAdr& adr, bool restore_index = false);
  std::size_t Reserved(const UartChanAdr& adr);
  // Takes up to max of the oldest reserved bytes.
  std::string TakeReserved(const UartChanAdr& adr, std::size_t max);
  // Whether a drain saw the receiver's error bit since the last call (or
  // the last UartRcvInit); the bit itself stays until UartRcvInit.
  bool TakeReceiveError(const UartChanAdr& adr);
  void UartCtlOn(const UartChanAdr& adr);
  // True when the base unit with this data port answers with its BoardId.
  bool BaseUnitPresent(std::int32_t port);
  // Holds the current base unit's ZCP controller in reset for 10 ms, then
  // connects the UART to it again.
  void ZcpReset();
  void KjBusReset(bool hold);

 private:
  static constexpr int kZcpResetMs = 10;

  // What the link keeps of one UART beyond its registers.
  struct Receiver {
    std::string reserve;
    bool error = false;
  };
  using PortLock = std::lock_guard<InheritingMutex>;

  void WriteIndex(std::int32_t data_port, std::uint8_t reg);

  PortIo& ports_;
  UartHost& host_;
  UartChanAdr chan_adr_{kBase1Port, kUartRegBase};
  std::int32_t baud_rate_ = kDefaultBaudRate;
  std::int32_t bus_reset_port_ = kBusResetPort;
  // Held for every port access and for runs of them that must not be split.
  InheritingMutex ports_mutex_;
  // By data port: the register the index last selected, and the receiver.
  std::map<std::int32_t, std::uint8_t> selected_;
  std::map<std::int32_t, Receiver> receivers_;
};

}  // namespace r7n
