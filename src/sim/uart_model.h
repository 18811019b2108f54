#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

namespace r7n::sim {

// The UART of a base unit as a register file behind Read/Write, offsets
// relative to the start of the UART block. The channel selector (the eighth
// register of the block) belongs to the base unit, which owns the line and the
// devices on it.
//
// Time is kept in nanoseconds: one bit lasts divisor cycles of the 125 MHz
// UART clock, 8 ns each, so every transmit time is an exact integer. The owner
// steps the model by events: FinishTx() for each frame the transmitter
// completes, Receive() for each frame that arrives from the line, and
// AdvanceTo() for the time of a register access in between.
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
  static constexpr std::uint8_t kTxStatusEmpty = 0x01;  // FIFO and shift register both empty
  static constexpr std::uint8_t kTxStatusBusy = 0x02;   // FIFO not empty: no room for a block

  // Receive status: count of waiting bytes in the low bits, error in the top bit.
  static constexpr std::uint8_t kRxStatusCountMask = 0x7F;  // saturates at 127
  static constexpr std::uint8_t kRxStatusError = 0x80;      // overrun or framing error seen

  // Error flag bits, read from kCfg.
  static constexpr std::uint8_t kErrorFraming = 0x01;  // a byte arrived with a bad stop bit
  static constexpr std::uint8_t kErrorOverrun = 0x02;  // a byte arrived to a full receive FIFO

  // The one configuration value drivers write: it (re)initialises the receiver.
  static constexpr std::uint8_t kCfgReceiverInit = 0xC1;

  // The divisor counts cycles of this clock per bit; no factor of 16.
  static constexpr std::int64_t kClockHz = 125'000'000;
  static constexpr std::int64_t kNsPerClock = 8;
  // 8N1: start bit, eight data bits, stop bit.
  static constexpr std::int64_t kBitsPerFrame = 10;
  // Bytes the transmit FIFO holds besides the one in the shift register: one
  // whole block, so a ready transmitter can always take 128 bytes.
  static constexpr std::size_t kTxFifoDepth = 128;
  // A receiver samples each bit in its middle, so by the stop bit a rate error
  // has piled up over nine and a half bits; at about 5 % the sample slips into
  // the neighbouring bit. 3 % leaves room for the far end's own clock error.
  static constexpr std::int64_t kRateTolerancePercent = 3;

  // Power-up values. A zero divisor means no line rate: nothing moves until the
  // PC programs the UART, which it does before every transfer.
  static constexpr std::uint16_t kDefaultDivisor = 0x0000;
  static constexpr std::uint8_t kDefaultCtl = 0x00;  // control off until programmed
  static constexpr std::uint8_t kDefaultCfg = 0x00;  // receiver not yet initialised
  static constexpr std::size_t kDefaultRxFifoDepth = 128;

  // Value returned for a register the UART does not drive on a read (an empty bus).
  static constexpr std::uint8_t kFloatingBus = 0xFF;
  // Value of UartRcvDat when the receive FIFO is empty.
  static constexpr std::uint8_t kEmptyRxData = 0x00;

  // A frame the transmitter has finished: the byte, when its start bit began,
  // and the divisor it was clocked with (which fixes its rate on the wire).
  struct TxFrame {
    std::uint8_t byte;
    std::int64_t start_ns;
    std::uint16_t divisor;
  };

  explicit UartModel(std::size_t rx_fifo_depth = kDefaultRxFifoDepth, bool keep_history = true);

  // Register access at the model's current time.
  std::uint8_t Read(std::uint8_t offset);
  void Write(std::uint8_t offset, std::uint8_t value);

  // When the frame in the shift register ends, if one is moving.
  std::optional<std::int64_t> NextTxDoneNs() const;
  // Ends that frame (the model's time moves to its end), loads the next byte
  // from the FIFO, and returns the frame for the line to deliver.
  TxFrame FinishTx();
  // Moves the model's time forward; every frame ending before now_ns must have
  // been finished first.
  void AdvanceTo(std::int64_t now_ns);
  // A whole frame has arrived from a far end clocked at sender_baud.
  void Receive(std::uint8_t byte, std::int64_t sender_baud);

  // Test hook: a stuck transmitter never finishes a frame and always reads
  // busy, as a UART whose line is held does. Releasing it restarts the frame in
  // the shift register from the current time.
  void SetTransmitterStuck(bool stuck);

  std::uint16_t Divisor() const { return divisor_; }
  std::uint8_t CtlValue() const { return ctl_; }
  std::uint8_t CfgValue() const { return cfg_; }
  int ReceiverInits() const { return receiver_inits_; }
  std::int64_t NowNs() const { return now_ns_; }
  // Every frame that left the transmitter, in order, whoever heard it; empty
  // when the model keeps no history.
  const std::vector<std::uint8_t>& TransmittedBytes() const { return transmitted_; }
  // Bytes written while the transmit FIFO was full.
  int TxBytesLost() const { return tx_lost_; }
  // Bytes that arrived while the receive FIFO was full.
  int RxBytesLost() const { return rx_lost_; }
  // Bytes waiting in the receive FIFO, beyond what the count register shows.
  std::size_t RxFifoLevel() const { return rx_fifo_.size(); }
  std::size_t RxFifoDepth() const { return rx_fifo_depth_; }

  // Status registers as the PC reads them; the only place they are worked out.
  std::uint8_t TransmitStatus() const;
  std::uint8_t ReceiveStatus() const;
  std::uint8_t ErrorFlags() const;

 private:
  struct ShiftRegister {
    std::uint8_t byte;
    std::int64_t start_ns;
    std::uint16_t divisor;
  };

  void SetDivisorByte(int shift, std::uint8_t value);
  void Transmit(std::uint8_t value);
  void LoadShiftRegister();
  std::uint8_t TakeRxByte();
  void Configure(std::uint8_t value);

  std::size_t rx_fifo_depth_;
  std::int64_t now_ns_ = 0;
  std::uint16_t divisor_ = kDefaultDivisor;
  std::uint8_t ctl_ = kDefaultCtl;
  std::uint8_t cfg_ = kDefaultCfg;
  int receiver_inits_ = 0;
  bool tx_stuck_ = false;
  std::deque<std::uint8_t> tx_fifo_;
  std::optional<ShiftRegister> shift_;
  bool keep_history_;
  std::vector<std::uint8_t> transmitted_;
  int tx_lost_ = 0;
  std::deque<std::uint8_t> rx_fifo_;
  bool framing_error_ = false;
  bool overrun_ = false;
  int rx_lost_ = 0;
};

// Nanoseconds one 8N1 frame takes at a divisor (non-zero).
std::int64_t FrameNsAtDivisor(std::uint16_t divisor);
// Nanoseconds one 8N1 frame takes at a far end's bit rate (positive), rounded.
std::int64_t FrameNsAtBaud(std::int64_t baud);
// Whether a UART at divisor decodes frames from a far end at baud.
bool RatesMatch(std::uint16_t divisor, std::int64_t baud);
// The byte a receiver makes of a frame sent at a rate it does not match. Real
// garbage depends on the bit pattern and on what follows on the line; all that
// matters here is that it is repeatable and never the byte that was sent, so
// every bit reads inverted.
std::uint8_t Garble(std::uint8_t byte);

}  // namespace r7n::sim
