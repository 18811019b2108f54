#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>

#include "platform/port_guard.h"
#include "platform/port_recorder.h"
#include "platform/virtual_clock.h"
#include "sim/chassis.h"
#include "testing/bus_cost_port_io.h"
#include "testing/fake_shell.h"
#include "testing/headless_console.h"
#include "testing/temp_dir.h"

namespace r7n::testing {

struct HarnessOptions {
  sim::ChassisConfig chassis{};
  WindowSize window{25, 80};
  // A run still going at this virtual time is stopped: it waits for a key
  // that the schedule does not hold.
  std::int64_t time_limit_us = 3'600'000'000;
};

// The whole program on the virtual clock, the simulated chassis and the
// headless console, with its keys from a schedule.
class ProgramHarness {
 public:
  struct Outcome {
    std::optional<int> exit_status;  // empty when the time limit stopped it
    std::int64_t end_us = 0;
  };

  static constexpr std::int64_t kMs = 1000;

  explicit ProgramHarness(HarnessOptions options = {});
  ~ProgramHarness();

  void KeyAt(std::int64_t at_ms, KeyCode key);
  // One key every step_ms, the first at first_ms.
  void KeysFrom(std::int64_t first_ms, std::int64_t step_ms, std::initializer_list<KeyCode> keys);
  void ProbeAt(std::int64_t at_ms, std::function<void()> probe);

  Outcome Run();

  // The screen as last shown: a row's text (one char per cell, trailing spaces
  // dropped) and one cell.
  std::string Row(int row) const;
  Cell CellAt(int row, int col) const;
  const ScreenImage& Shown() const { return console_.Shown(); }

  VirtualClock& Clock() { return clock_; }
  sim::Chassis& Chassis() { return chassis_; }
  PortRecorder& Recorder() { return recorder_; }
  PortGuard& Guard() { return guard_; }
  HeadlessConsole& Console() { return console_; }
  FakeShell& Shell() { return shell_; }
  // The program's directory; it holds an empty R7n_Uart.cfg to begin with.
  const std::filesystem::path& Dir() const { return dir_.Path(); }

 private:
  VirtualClock clock_;
  sim::Chassis chassis_;
  BusCostPortIo bus_cost_;
  PortRecorder recorder_;
  PortGuard guard_;
  HeadlessConsole console_;
  FakeShell shell_;
  TempDir dir_;
  std::filesystem::path start_dir_;
};

}  // namespace r7n::testing
