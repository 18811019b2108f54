#pragma once

#include <array>
#include <cstdint>
#include <mutex>

#include "platform/clock.h"
#include "platform/inheriting_mutex.h"
#include "platform/port_io.h"
#include "sim/base_unit.h"
#include "sim/chassis_config.h"

namespace r7n::sim {

// The chassis as the PC's I/O ports see it: the KJ bus reset port and the
// index/data port pairs of the two base units. Every access first brings the
// model up to the clock's current time, so it runs the same on the real clock
// and on a test's virtual one.
class Chassis : public PortIo {
 public:
  // Port map.
  static constexpr std::uint16_t kKjBusResetPort = 0x2A4;  // write: KJ bus reset line
  static constexpr std::uint16_t kBase1Data = 0x310;       // base unit 1 data port
  static constexpr std::uint16_t kBase1Index = 0x311;      // base unit 1 index port (write)
  static constexpr std::uint16_t kBase2Data = 0x312;       // base unit 2 data port
  static constexpr std::uint16_t kBase2Index = 0x313;      // base unit 2 index port (write)

  // KJ bus reset port values.
  static constexpr std::uint8_t kKjBusReleased = 0x00;  // bus running
  static constexpr std::uint8_t kKjBusReset = 0xFF;     // bus held in reset

  // The PC's output latch holds the bus in reset at power-up until the program
  // releases it, so a program that forgets the release finds a dead bus.
  static constexpr std::uint8_t kDefaultKjBus = kKjBusReset;

  // What a read yields when nothing drives the bus.
  static constexpr std::uint8_t kFloatingBus = 0xFF;

  explicit Chassis(Clock& clock, ChassisConfig config = {});

  void Out(std::uint16_t port, std::uint8_t value) override;
  std::uint8_t In(std::uint16_t port) override;

  // Any set bit drives the reset line; only 0x00 lets the bus run.
  bool KjBusInReset() const { return kj_bus_ != kKjBusReleased; }
  // The latest byte written to the KJ bus reset port.
  std::uint8_t KjBusValue() const { return kj_bus_; }

  // Base unit 1 or 2; any other number throws std::out_of_range.
  const BaseUnit& Base(int unit) const;
  // The same, for tests that reach into a unit: its UART's test hooks, its
  // devices, bytes injected on a line.
  BaseUnit& MutableBase(int unit);

  // Brings the model up to the clock's time without a port access, for tests
  // that inspect it between accesses.
  void CatchUp();
  // Holds the model still for a caller that reaches into a unit while a
  // program runs on it (the bench injecting a module's text).
  [[nodiscard]] std::unique_lock<InheritingMutex> Hold() {
    return std::unique_lock<InheritingMutex>(mutex_);
  }

 private:
  // Which base unit a port belongs to, and whether it is that unit's index port.
  struct PortTarget {
    BaseUnit* unit;
    bool index;
  };

  static constexpr int kUnits = 2;

  void Advance(std::int64_t now_us);
  PortTarget Decode(std::uint16_t port);
  static std::size_t UnitIndex(int unit);

  Clock& clock_;
  // The program's receive thread and its own thread (sleeps that let the
  // model catch up) may both reach the model.
  InheritingMutex mutex_;
  std::uint8_t kj_bus_ = kDefaultKjBus;
  std::array<BaseUnit, kUnits> bases_;
};

}  // namespace r7n::sim
