#pragma once

#include <cstdint>
#include <vector>

namespace r7n::sim {

// The UART of a base unit as a register file behind Read/Write, offsets
// relative to the start of the UART block. The channel selector (the eighth
// register of the block) belongs to the base unit, which owns the line.
//
// There is no serial line yet: a byte written to the transmitter leaves at
// once and is kept for inspection, and nothing is ever received.
class UartModel {
 public:
  // Register offsets within the UART block.
  static constexpr std::uint8_t kDivLo = 0;     // write: baud divisor bits 0-7
  static constexpr std::uint8_t kDivHi = 1;     // write: baud divisor bits 8-15
  static constexpr std::uint8_t kTxPort = 2;    // read: transmit status; write: transmit data
  static constexpr std::uint8_t kCtl = 3;       // write: control, 0x01 once programmed
  static constexpr std::uint8_t kRxData = 4;    // read: next received byte
  static constexpr std::uint8_t kRxStatus = 5;  // read: bytes waiting and error bit
  static constexpr std::uint8_t kCfg = 6;       // write: configuration; read: error flags
  // Registers of the block that the UART itself decodes (the rest is the base unit's).
  static constexpr std::uint8_t kRegisterCount = 7;

  // Transmit status bits.
  static constexpr std::uint8_t kTxStatusEmpty = 0x01;  // nothing left to send
  static constexpr std::uint8_t kTxStatusBusy = 0x02;   // cannot take another block yet

  // Receive status: count of waiting bytes in the low bits, error in the top bit.
  static constexpr std::uint8_t kRxStatusCountMask = 0x7F;  // saturates at 127
  static constexpr std::uint8_t kRxStatusError = 0x80;      // overrun or framing error seen

  // Error flag bits, read from kCfg.
  static constexpr std::uint8_t kErrorFraming = 0x01;  // a byte arrived with a bad stop bit

  // The one configuration value drivers write: it (re)initialises the receiver.
  static constexpr std::uint8_t kCfgReceiverInit = 0xC1;

  // Power-up values. A zero divisor means no line rate: nothing moves until the
  // PC programs the UART, which it does before every transfer.
  static constexpr std::uint16_t kDefaultDivisor = 0x0000;
  static constexpr std::uint8_t kDefaultCtl = 0x00;  // control off until programmed
  static constexpr std::uint8_t kDefaultCfg = 0x00;  // receiver not yet initialised

  // Value returned for a register the UART does not drive on a read (an empty bus).
  static constexpr std::uint8_t kFloatingBus = 0xFF;

  std::uint8_t Read(std::uint8_t offset);
  void Write(std::uint8_t offset, std::uint8_t value);

  std::uint16_t Divisor() const { return divisor_; }
  std::uint8_t CtlValue() const { return ctl_; }
  std::uint8_t CfgValue() const { return cfg_; }
  int ReceiverInits() const { return receiver_inits_; }
  const std::vector<std::uint8_t>& TransmittedBytes() const { return transmitted_; }

  // Status registers as the PC reads them; the only place they are worked out.
  std::uint8_t TransmitStatus() const;
  std::uint8_t ReceiveStatus() const;
  std::uint8_t ErrorFlags() const;

 private:
  void SetDivisorByte(int shift, std::uint8_t value);
  void Transmit(std::uint8_t value);
  void Configure(std::uint8_t value);

  std::uint16_t divisor_ = kDefaultDivisor;
  std::uint8_t ctl_ = kDefaultCtl;
  std::uint8_t cfg_ = kDefaultCfg;
  int receiver_inits_ = 0;
  std::vector<std::uint8_t> transmitted_;
};

}  // namespace r7n::sim
