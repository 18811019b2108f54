#include "sim/uart_model.h"

namespace r7n::sim {

std::uint8_t UartModel::Read(std::uint8_t offset) {
  switch (offset) {
    case kTxPort:
      return TransmitStatus();
    case kRxData:
      // The receive FIFO comes with the serial line; until then it is always empty
      // and an empty FIFO reads as zero.
      return 0x00;
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
      ctl_ = value;
      return;
    case kCfg:
      return Configure(value);
    default:
      return;  // read-only registers ignore writes
  }
}

std::uint8_t UartModel::TransmitStatus() const {
  // Without a line every byte leaves as soon as it is written, so the
  // transmitter is always empty and never busy.
  return kTxStatusEmpty;
}

std::uint8_t UartModel::ReceiveStatus() const {
  return 0x00;  // without a line nothing is waiting and nothing went wrong
}

std::uint8_t UartModel::ErrorFlags() const {
  return 0x00;  // no line, so no framing errors
}

void UartModel::SetDivisorByte(int shift, std::uint8_t value) {
  const auto keep = static_cast<std::uint16_t>(~(0xFFu << shift));
  divisor_ = static_cast<std::uint16_t>((divisor_ & keep) | (unsigned{value} << shift));
}

void UartModel::Transmit(std::uint8_t value) {
  // The seam for the serial line: the byte will go into the transmit FIFO and
  // from there to whatever device the channel selector connects.
  transmitted_.push_back(value);
}

void UartModel::Configure(std::uint8_t value) {
  cfg_ = value;
  // Only 0xC1 is known to be written; what other values would do to the
  // receiver is not known, so they are kept but change nothing.
  if (value == kCfgReceiverInit) ++receiver_inits_;
}

}  // namespace r7n::sim
