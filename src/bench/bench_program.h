#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>

#include "bench/transmit_watch.h"
#include "keys/key_code.h"
#include "platform/clock.h"
#include "platform/port_guard.h"
#include "platform/virtual_clock.h"
#include "sim/chassis.h"
#include "testing/fake_shell.h"
#include "testing/headless_console.h"
#include "testing/temp_dir.h"

namespace r7n::bench {

enum class BenchClock {
  // Sleeps only move the time on and each port access costs one microsecond
  // of it: the same figures on every machine.
  kVirtual,
  // Real sleeps, and each port access paced to one microsecond as the bus
  // takes it: the scheduler's lateness and the machine's speed count.
  kReal,
};

const char* ClockName(BenchClock clock);

// The whole program on the simulated chassis and the headless console, on
// either clock, with its keys from a schedule. Times of the schedule are
// milliseconds from the moment the rig was made.
class BenchProgram {
 public:
  // commode_baud goes into the program's configuration file as its line rate.
  BenchProgram(BenchClock clock, const sim::ChassisConfig& chassis, int commode_baud);
  ~BenchProgram();
  BenchProgram(const BenchProgram&) = delete;
  BenchProgram& operator=(const BenchProgram&) = delete;

  void KeyAt(std::int64_t at_ms, KeyCode key);
  // Runs probe the first time the program polls the keyboard at or after at_ms.
  void ProbeAt(std::int64_t at_ms, std::function<void()> probe);
  // Milliseconds since the rig was made.
  std::int64_t ElapsedMs();
  // Microseconds on the rig's clock of a schedule time.
  std::int64_t ClockUs(std::int64_t at_ms) const { return origin_us_ + at_ms * 1000; }

  // Runs the program to its end. On the virtual clock a session still going
  // at limit_ms is stopped: false.
  bool Run(std::int64_t limit_ms);

  sim::Chassis& Chassis() { return chassis_; }
  const TransmitWatch& Watch() const { return watch_; }
  const std::filesystem::path& Dir() const { return dir_.Path(); }

 private:
  std::unique_ptr<Clock> clock_;
  VirtualClock* virtual_clock_;  // clock_ when it is the virtual one, else null
  std::int64_t origin_us_;
  sim::Chassis chassis_;
  std::unique_ptr<PortIo> bus_;
  TransmitWatch watch_;
  PortGuard guard_;
  testing::HeadlessConsole console_;
  testing::FakeShell shell_;
  testing::TempDir dir_;
  std::filesystem::path start_dir_;
};

}  // namespace r7n::bench
