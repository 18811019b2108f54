#include "testing/program_harness.h"

#include <fstream>
#include <system_error>
#include <utility>

#include "app/program.h"

namespace r7n::testing {

ProgramHarness::ProgramHarness(HarnessOptions options)
    : chassis_(clock_, options.chassis),
      bus_cost_(chassis_, clock_),
      recorder_(bus_cost_, clock_),
      guard_(recorder_),
      console_(clock_, options.window),
      start_dir_(std::filesystem::current_path()) {
  clock_.SetLimitUs(options.time_limit_us);
  // Most tests are about other things than the configuration file: the
  // program finds one that sets nothing, so it shows no message at start-up.
  // Tests of the file overwrite or remove it.
  std::ofstream(dir_.Path() / "R7n_Uart.cfg");
}

ProgramHarness::~ProgramHarness() {
  // The program made its directory the working directory; leave it before the
  // directory goes.
  std::error_code ignored;
  std::filesystem::current_path(start_dir_, ignored);
}

void ProgramHarness::KeyAt(std::int64_t at_ms, KeyCode key) {
  console_.ScheduleKey(at_ms * kMs, std::move(key));
}

void ProgramHarness::KeysFrom(std::int64_t first_ms, std::int64_t step_ms,
                              std::initializer_list<KeyCode> keys) {
  std::int64_t at = first_ms;
  for (const KeyCode& key : keys) {
    KeyAt(at, key);
    at += step_ms;
  }
}

void ProgramHarness::ProbeAt(std::int64_t at_ms, std::function<void()> probe) {
  console_.ScheduleProbe(at_ms * kMs, std::move(probe));
}

ProgramHarness::Outcome ProgramHarness::Run() {
  PlatformServices platform{guard_, clock_, console_, shell_, dir_.Path()};
  Outcome outcome;
  try {
    outcome.exit_status = RunProgram(platform);
  } catch (const VirtualTimeLimit&) {
    outcome.exit_status.reset();
  }
  outcome.end_us = clock_.NowUs();
  return outcome;
}

std::string ProgramHarness::Row(int row) const {
  const ScreenImage& image = console_.Shown();
  std::string text;
  for (int col = 1; col <= image.cols; ++col) text += static_cast<char>(image.At(row, col).ch);
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

Cell ProgramHarness::CellAt(int row, int col) const {
  return console_.Shown().At(row, col);
}

}  // namespace r7n::testing
