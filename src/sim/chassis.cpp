#include "sim/chassis.h"

#include <stdexcept>
#include <string>

namespace r7n::sim {

Chassis::Chassis(Clock& clock, ChassisConfig config)
    : clock_(clock), bases_{BaseUnit(1, config), BaseUnit(2, config)} {}

void Chassis::CatchUp() {
  const std::lock_guard<InheritingMutex> lock(mutex_);
  Advance(clock_.NowUs());
}

void Chassis::Out(std::uint16_t port, std::uint8_t value) {
  const std::lock_guard<InheritingMutex> lock(mutex_);
  Advance(clock_.NowUs());
  if (port == kKjBusResetPort) {
    kj_bus_ = value;
    return;
  }
  const PortTarget target = Decode(port);
  if (target.unit == nullptr) return;  // nothing else sits on the bus
  if (target.index) {
    target.unit->WriteIndex(value);
  } else {
    target.unit->WriteData(value);
  }
}

std::uint8_t Chassis::In(std::uint16_t port) {
  const std::lock_guard<InheritingMutex> lock(mutex_);
  Advance(clock_.NowUs());
  const PortTarget target = Decode(port);
  // The reset port and the index ports are write-only latches: a read finds
  // nothing driving the bus, like any port without a device behind it.
  if (target.unit == nullptr || target.index) return kFloatingBus;
  return target.unit->ReadData();
}

const BaseUnit& Chassis::Base(int unit) const {
  return bases_[UnitIndex(unit)];
}

BaseUnit& Chassis::MutableBase(int unit) {
  return bases_[UnitIndex(unit)];
}

std::size_t Chassis::UnitIndex(int unit) {
  if (unit < 1 || unit > kUnits) throw std::out_of_range("no base unit " + std::to_string(unit));
  return static_cast<std::size_t>(unit - 1);
}

void Chassis::Advance(std::int64_t now_us) {
  for (BaseUnit& base : bases_) base.Advance(now_us);
}

Chassis::PortTarget Chassis::Decode(std::uint16_t port) {
  switch (port) {
    case kBase1Data:
      return {&bases_[0], false};
    case kBase1Index:
      return {&bases_[0], true};
    case kBase2Data:
      return {&bases_[1], false};
    case kBase2Index:
      return {&bases_[1], true};
    default:
      return {nullptr, false};
  }
}

}  // namespace r7n::sim
