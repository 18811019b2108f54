// Figures of the terminal: what a module printing without a pause loses on
// the way to the screen and the capture file at line rates up to what the
// port path can carry, how long a key press takes to reach the wire while it
// prints, the processor time this costs, and a few durations of actions.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bench/rate_table.h"
#include "bench/stream_session.h"
#include "console/console.h"
#include "platform/real_clock.h"
#include "platform/virtual_clock.h"
#include "terminal/capture_file.h"
#include "terminal/receive_parser.h"
#include "terminal/terminal_screen.h"
#include "testing/headless_console.h"
#include "testing/program_harness.h"
#include "testing/temp_dir.h"

namespace r7n {
namespace {

struct BenchOptions {
  bool help = false;
  bool run_virtual = true;
  bool run_real = true;
  bool quick = false;
  std::optional<double> stream_seconds;
};

constexpr const char* kUsage =
    "Usage: r7n_bench [--quick] [--clock virtual|real|both] [--seconds S]\n"
    "  --quick      receive FIFO of 128 only, 1 s of text a session, a coarse search\n"
    "  --clock      which clock the rate tables run on (default: both)\n"
    "  --seconds S  how long the module prints in each session, 0.1 to 60 (default: 2)\n";

std::optional<BenchOptions> ParseOptions(int argc, char** argv, std::string& error) {
  BenchOptions options;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if (arg == "--quick") {
      options.quick = true;
    } else if (arg == "--clock" && has_value) {
      const std::string_view value = argv[++i];
      options.run_virtual = value == "virtual" || value == "both";
      options.run_real = value == "real" || value == "both";
      if (!options.run_virtual && !options.run_real) {
        error = "invalid value '" + std::string(value) +
                "' for --clock: expected virtual, real "
                "or both";
        return std::nullopt;
      }
    } else if (arg == "--seconds" && has_value) {
      char* end = nullptr;
      const double seconds = std::strtod(argv[++i], &end);
      if (end == argv[i] || *end != '\0' || !(seconds >= 0.1 && seconds <= 60)) {
        error = "invalid value '" + std::string(argv[i]) +
                "' for --seconds: expected a number from 0.1 to 60";
        return std::nullopt;
      }
      options.stream_seconds = seconds;
    } else if (arg == "--clock" || arg == "--seconds") {
      error = "option " + std::string(arg) + " needs a value";
      return std::nullopt;
    } else {
      error = "unknown option '" + std::string(arg) + "'";
      return std::nullopt;
    }
  }
  return options;
}

// Virtual time from the key to the end of the action's last port access.
double ActionSeconds(const KeyCode& first, const KeyCode& key) {
  testing::ProgramHarness h;
  h.KeyAt(100, first);
  h.KeyAt(60'000, "x");
  h.KeyAt(60'500, key);
  h.KeyAt(120'000, "x");
  h.KeyAt(121'000, "q");
  h.Run();
  std::int64_t last = 0;
  for (const auto& access : h.Recorder().Trace()) {
    if (access.time_us > 60'500'000 && access.time_us < 120'000'000) last = access.time_us;
  }
  return static_cast<double>(last - 60'500'000) / 1e6;
}

double ReceivePathSecondsPerMiB() {
  constexpr std::size_t kBytes = 8 * 1024 * 1024;
  std::string data = bench::ModuleText(kBytes);
  // Some colour sequences and control bytes among the text.
  for (std::size_t at = 0; at + 8 < data.size(); at += 997) data.replace(at, 5, "\x1b[32m");
  for (std::size_t at = 500; at < data.size(); at += 1999) data[at] = '\x01';
  testing::TempDir dir;
  const auto here = std::filesystem::current_path();
  std::filesystem::current_path(dir.Path());
  VirtualClock clock;
  testing::HeadlessConsole device(clock);
  Console con(device, clock);
  TermColors colors;
  double seconds = 0;
  {
    CaptureFile capture;
    TerminalScreen screen(con, colors, &capture);
    ReceiveParser parser(screen);
    const auto start = std::clock();
    for (std::size_t at = 0; at < data.size(); at += 127) {
      parser.Feed(std::string_view(data).substr(at, 127));
    }
    capture.Flush();
    seconds = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
  }
  std::filesystem::current_path(here);
  return seconds / (static_cast<double>(kBytes) / (1024.0 * 1024.0));
}

void PrintRateTables(const BenchOptions& options) {
  bench::RateTablePlan plan;
  plan.rates = {115'200, 460'800, 921'600, 2'000'000};
  plan.fifo_depths = options.quick ? std::vector<int>{128} : std::vector<int>{16, 128, 1024};
  plan.stream_seconds = options.stream_seconds.value_or(options.quick ? 1.0 : 2.0);
  plan.search_resolution = options.quick ? 16 : 64;
  for (const bench::BenchClock clock : {bench::BenchClock::kVirtual, bench::BenchClock::kReal}) {
    if (clock == bench::BenchClock::kVirtual ? !options.run_virtual : !options.run_real) continue;
    plan.clock = clock;
    bench::PrintRateTable(plan, stdout);
    std::printf("\n");
  }
}

void PrintIdle(const BenchOptions& options) {
  const double seconds = options.quick ? 2.0 : 5.0;
  const bench::IdleFigures idle = bench::MeasureIdle(seconds);
  std::printf(
      "Idle, real clock, %.0f s each: processor share %.2f %% in the menu, %.2f %% in a "
      "terminal on a quiet line\n\n",
      seconds, idle.menu_share * 100.0, idle.terminal_share * 100.0);
}

// How late the system ends the terminal's 1 ms sleeps (its slice between
// looks at a 115,200 bit/s line). A loop away longer than the receive FIFO
// lasts loses bytes whatever it does when it is back: 128 bytes last 11.1 ms
// at that rate, 1.4 ms at 921,600.
void PrintSleepOvershoot(const BenchOptions& options) {
  constexpr std::int64_t kSliceUs = 1000;
  constexpr std::int64_t kFifo115200Us = 11'111;
  const double seconds = options.quick ? 5.0 : 30.0;
  RealClock clock;
  const std::int64_t end_us = clock.NowUs() + static_cast<std::int64_t>(seconds * 1e6);
  std::int64_t worst_us = 0;
  long sleeps = 0;
  long beyond_fifo = 0;
  for (std::int64_t now = clock.NowUs(); now < end_us; now = clock.NowUs()) {
    clock.SleepUs(kSliceUs);
    const std::int64_t late_us = clock.NowUs() - now - kSliceUs;
    worst_us = std::max(worst_us, late_us);
    ++sleeps;
    if (late_us + kSliceUs > kFifo115200Us) ++beyond_fifo;
  }
  std::printf(
      "Sleep overshoot, real clock, %.0f s of 1 ms sleeps: %ld sleeps, worst %.1f ms late, "
      "%ld away longer than 128 bytes last at 115,200 bit/s\n\n",
      seconds, sleeps, static_cast<double>(worst_us) / 1000.0, beyond_fifo);
}

}  // namespace
}  // namespace r7n

int main(int argc, char** argv) {
  using namespace r7n;
  std::string error;
  const std::optional<BenchOptions> options = ParseOptions(argc, argv, error);
  if (!options) {
    std::fprintf(stderr, "r7n_bench: %s; try 'r7n_bench --help'\n", error.c_str());
    return 2;
  }
  if (options->help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  const auto start = std::chrono::steady_clock::now();
  PrintRateTables(*options);
  if (options->run_real) {
    PrintIdle(*options);
    PrintSleepOvershoot(*options);
  }
  std::printf("Default chassis, virtual time: S %.2f s (modules at their login screens),\n",
              ActionSeconds("x", "s"));
  std::printf("  V after S %.2f s (already logged in), V alone %.2f s\n", ActionSeconds("s", "v"),
              ActionSeconds("x", "v"));
  std::printf("Receive path (parser, screen model, capture): %.3f ms of processor time per MiB\n",
              ReceivePathSecondsPerMiB() * 1000.0);
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  std::printf("(%.0f s)\n", took.count());
  return 0;
}
