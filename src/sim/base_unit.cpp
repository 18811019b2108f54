#include "sim/base_unit.h"

namespace r7n::sim {

BaseUnit::BaseUnit(bool fitted, std::uint8_t revision)
    : fitted_(fitted),
      board_id_(static_cast<std::uint8_t>(kBoardIdType | (revision & kBoardIdRevisionMask))) {}

void BaseUnit::Advance(std::int64_t now_us) {
  now_us_ = now_us;
}

void BaseUnit::WriteIndex(std::uint8_t value) {
  if (fitted_) index_ = value;
}

void BaseUnit::WriteData(std::uint8_t value) {
  if (fitted_) WriteRegister(index_, value);
}

std::uint8_t BaseUnit::ReadData() {
  return fitted_ ? ReadRegister(index_) : kFloatingBus;
}

Device BaseUnit::SelectedDevice() const {
  switch (chan_sel_) {
    case kSelZcp:
    case kSelZcpReset:  // still wired to the controller, which just says nothing
      return Device::kZcp;
    case kSelModuleA:
      return Device::kModuleA;
    case kSelModuleB:
      return Device::kModuleB;
    case kSelModuleC:
      return Device::kModuleC;
    case kSelModuleD:
      return Device::kModuleD;
    default:
      // Only the six values above are decoded; anything else leaves the line
      // unconnected, so a wrong selector shows up as silence rather than as a
      // plausible answer from some device.
      return Device::kNone;
  }
}

bool BaseUnit::InUart(std::uint8_t reg) {
  return reg >= kUartBase && reg < kUartBase + UartModel::kRegisterCount;
}

std::uint8_t BaseUnit::ReadRegister(std::uint8_t reg) {
  if (reg == kBoardId) return board_id_;
  if (InUart(reg)) return uart_.Read(static_cast<std::uint8_t>(reg - kUartBase));
  return kFloatingBus;  // the selector is write-only, and nothing else is decoded
}

void BaseUnit::WriteRegister(std::uint8_t reg, std::uint8_t value) {
  if (reg == kChanSel) return WriteChanSel(value);
  if (InUart(reg)) uart_.Write(static_cast<std::uint8_t>(reg - kUartBase), value);
}

void BaseUnit::WriteChanSel(std::uint8_t value) {
  // The reset line follows the selector: it is held exactly while the
  // selector holds 0x01, so any other value written ends a reset.
  const bool was_in_reset = ZcpInReset();
  chan_sel_ = value;
  if (was_in_reset && !ZcpInReset()) {
    ++zcp_reset_count_;
    zcp_reset_ended_us_ = now_us_;
  }
}

}  // namespace r7n::sim
