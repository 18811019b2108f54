#include "sim/uart_model.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

namespace r7n::sim {

std::int64_t FrameNsAtDivisor(std::uint16_t divisor) {
  return UartModel::kBitsPerFrame * divisor * UartModel::kNsPerClock;
}

std::int64_t FrameNsAtBaud(std::int64_t baud) {
  constexpr std::int64_t kNsBitsPerSecond = 1'000'000'000 * UartModel::kBitsPerFrame;
  return std::max<std::int64_t>(1, (kNsBitsPerSecond + baud / 2) / baud);
}

bool RatesMatch(std::uint16_t divisor, std::int64_t baud) {
  if (divisor == 0 || baud <= 0) return false;
  // |clock / divisor - baud| <= tolerance * baud, multiplied out to stay in integers.
  const std::int64_t scaled_baud = std::int64_t{divisor} * baud;
  const std::int64_t error = UartModel::kClockHz - scaled_baud;
  return std::abs(error) * 100 <= UartModel::kRateTolerancePercent * scaled_baud;
}

std::uint8_t Garble(std::uint8_t byte) {
  return static_cast<std::uint8_t>(~byte);
}

UartModel::UartModel(std::size_t rx_fifo_depth, bool keep_history)
    : rx_fifo_depth_(rx_fifo_depth), keep_history_(keep_history) {
  if (rx_fifo_depth == 0) throw std::invalid_argument("receive FIFO depth must be at least 1");
}

std::uint8_t UartModel::Read(std::uint8_t offset) {
  switch (offset) {
    case kTxPort:
      return TransmitStatus();
    case kRxData:
      return TakeRxByte();
    case kRxStatus:
      return ReceiveStatus();
    case kCfg:
      return ErrorFlags();
    default:
      // Write-only registers, and offsets the UART does not decode, drive nothing onto the bus.
      return kFloatingBus;
  }
}

void UartModel::Write(std::uint8_t offset, std::uint8_t value) {
  switch (offset) {
    case kDivLo:
      return SetDivisorByte(0, value);
    case kDivHi:
      return SetDivisorByte(8, value);
    case kTxPort:
      return Transmit(value);
    case kCtl:
      // What the control bits do is not known; the PC only ever writes 0x01
      // after programming, so the value is kept but gates nothing.
      ctl_ = value;
      return;
    case kCfg:
      return Configure(value);
    default:
      return;  // read-only registers ignore writes
  }
}

std::optional<std::int64_t> UartModel::NextTxDoneNs() const {
  if (!shift_ || tx_stuck_) return std::nullopt;
  return shift_->start_ns + FrameNsAtDivisor(shift_->divisor);
}

UartModel::TxFrame UartModel::FinishTx() {
  const std::optional<std::int64_t> done = NextTxDoneNs();
  if (!done) throw std::logic_error("no frame is being transmitted");
  const TxFrame frame{shift_->byte, shift_->start_ns, shift_->divisor};
  now_ns_ = *done;
  shift_.reset();
  if (keep_history_) transmitted_.push_back(frame.byte);
  LoadShiftRegister();
  return frame;
}

void UartModel::AdvanceTo(std::int64_t now_ns) {
  const std::optional<std::int64_t> done = NextTxDoneNs();
  if (done && *done < now_ns) throw std::logic_error("transmit frame skipped");
  now_ns_ = std::max(now_ns_, now_ns);
}

void UartModel::Receive(std::uint8_t byte, std::int64_t sender_baud) {
  // Without a divisor the receiver has no sampling clock and takes nothing in.
  if (divisor_ == 0) return;
  const bool framed = RatesMatch(divisor_, sender_baud);
  if (!framed) framing_error_ = true;
  if (rx_fifo_.size() >= rx_fifo_depth_) {
    overrun_ = true;
    ++rx_lost_;
    return;
  }
  rx_fifo_.push_back(framed ? byte : Garble(byte));
}

void UartModel::SetTransmitterStuck(bool stuck) {
  if (tx_stuck_ && !stuck && shift_) shift_->start_ns = now_ns_;
  tx_stuck_ = stuck;
}

std::uint8_t UartModel::TransmitStatus() const {
  // Busy means no room for a whole block: anything still waiting in the FIFO
  // behind the shift register. Empty means the last stop bit is out.
  std::uint8_t status = 0;
  if (tx_stuck_ || !tx_fifo_.empty()) status |= kTxStatusBusy;
  if (!tx_stuck_ && tx_fifo_.empty() && !shift_) status |= kTxStatusEmpty;
  return status;
}

std::uint8_t UartModel::ReceiveStatus() const {
  const std::size_t count = std::min<std::size_t>(rx_fifo_.size(), kRxStatusCountMask);
  std::uint8_t status = static_cast<std::uint8_t>(count);
  if (framing_error_ || overrun_) status |= kRxStatusError;
  return status;
}

std::uint8_t UartModel::ErrorFlags() const {
  std::uint8_t flags = 0;
  if (framing_error_) flags |= kErrorFraming;
  if (overrun_) flags |= kErrorOverrun;
  return flags;
}

void UartModel::SetDivisorByte(int shift, std::uint8_t value) {
  const auto keep = static_cast<std::uint16_t>(~(0xFFu << shift));
  divisor_ = static_cast<std::uint16_t>((divisor_ & keep) | (unsigned{value} << shift));
  // A frame already on the wire keeps the rate it started with; waiting bytes
  // start moving once there is a rate.
  LoadShiftRegister();
}

void UartModel::Transmit(std::uint8_t value) {
  if (tx_fifo_.size() >= kTxFifoDepth) {
    ++tx_lost_;
    return;
  }
  tx_fifo_.push_back(value);
  LoadShiftRegister();
}

void UartModel::LoadShiftRegister() {
  if (shift_ || tx_fifo_.empty() || divisor_ == 0) return;
  shift_ = ShiftRegister{tx_fifo_.front(), now_ns_, divisor_};
  tx_fifo_.pop_front();
}

std::uint8_t UartModel::TakeRxByte() {
  // Reading an empty FIFO yields zero and changes nothing; the PC only reads
  // as many bytes as the count register announced.
  if (rx_fifo_.empty()) return kEmptyRxData;
  const std::uint8_t byte = rx_fifo_.front();
  rx_fifo_.pop_front();
  return byte;
}

void UartModel::Configure(std::uint8_t value) {
  cfg_ = value;
  // Only 0xC1 is known to be written; what other values would do to the
  // receiver is not known, so they are kept but change nothing.
  if (value != kCfgReceiverInit) return;
  ++receiver_inits_;
  rx_fifo_.clear();
  framing_error_ = false;
  overrun_ = false;
}

}  // namespace r7n::sim
