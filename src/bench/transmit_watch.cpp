#include "bench/transmit_watch.h"

#include <algorithm>

#include "sim/base_unit.h"
#include "sim/chassis.h"
#include "sim/uart_model.h"

namespace r7n::bench {
namespace {

constexpr std::uint8_t kTxDataRegister = sim::BaseUnit::kUartBase + sim::UartModel::kTxPort;

}  // namespace

void TransmitWatch::Out(std::uint16_t port, std::uint8_t value) {
  if (port == sim::Chassis::kBase1Index) index_ = value;
  if (port == sim::Chassis::kBase1Data && index_ == kTxDataRegister && value == byte_) {
    times_.push_back(clock_.NowUs());
  }
  inner_.Out(port, value);
}

KeyToWire WorstKeyToWire(const std::vector<std::int64_t>& presses_us,
                         const std::vector<std::int64_t>& writes_us) {
  KeyToWire result;
  std::size_t write = 0;
  for (const std::int64_t press : presses_us) {
    while (write < writes_us.size() && writes_us[write] < press) ++write;
    if (write == writes_us.size()) break;
    result.worst_us = std::max(result.worst_us, writes_us[write] - press);
    ++result.keys;
    ++write;
  }
  return result;
}

}  // namespace r7n::bench
