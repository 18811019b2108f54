#include "bench/stream_session.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "bench/processor_time.h"
#include "sim/uart_model.h"

namespace r7n::bench {
namespace {

constexpr std::int64_t kOpenAtMs = 100;
constexpr std::int64_t kTextAtMs = 300;
// Ctrl-Z while the text flows, and twice on the quiet line after it.
constexpr std::int64_t kFirstKeyAfterMs = 125;
constexpr std::int64_t kKeyEveryMs = 250;
constexpr std::int64_t kQuietKeysAfterMs[] = {300, 450};
constexpr std::int64_t kExitAfterMs = 700;
constexpr std::int64_t kQuitAfterExitMs = 200;
// A virtual session still going this long after its last key is stuck.
constexpr std::int64_t kVirtualSlackMs = 60'000;
constexpr const char* kCtrlZ = "\x1a";

struct Marks {
  double cpu_start = 0;
  double cpu_end = 0;
  std::int64_t start_ms = 0;
  std::int64_t end_ms = 0;
};

}  // namespace

std::string ModuleText(std::size_t bytes) {
  std::string text;
  for (int line = 0; text.size() < bytes; ++line) {
    text += "line " + std::to_string(line) + ": the quick brown fox jumps over the lazy dog\r\n";
  }
  text.resize(bytes);
  return text;
}

StreamFigures RunStream(const StreamPlan& plan) {
  sim::ChassisConfig chassis;
  chassis.rx_fifo_depth = plan.rx_fifo_depth;
  chassis.line_baud = plan.line_baud;
  BenchProgram program(plan.clock, chassis, plan.line_baud);

  const std::int64_t frame_ns = sim::FrameNsAtBaud(plan.line_baud);
  const auto text_bytes =
      static_cast<std::size_t>(plan.stream_seconds * 1e9 / static_cast<double>(frame_ns));
  const std::string text = ModuleText(text_bytes);
  const std::int64_t text_ms = static_cast<std::int64_t>(text_bytes) * frame_ns / 1'000'000 + 1;
  const std::int64_t text_end_ms = kTextAtMs + text_ms;

  Marks marks;
  program.KeyAt(kOpenAtMs, "a");
  // The text starts when the program first looks at the keyboard after its
  // time; its end is reckoned from there, which on the real clock may be late.
  program.ProbeAt(kTextAtMs, [&] {
    program.Chassis().CatchUp();
    {
      const auto hold = program.Chassis().Hold();
      program.Chassis().MutableBase(1).Inject(sim::Device::kModuleA, text);
    }
    marks.cpu_start = ProcessorSeconds();
    marks.start_ms = program.ElapsedMs();
    program.ProbeAt(marks.start_ms + text_ms, [&] {
      marks.cpu_end = ProcessorSeconds();
      marks.end_ms = program.ElapsedMs();
    });
  });
  std::vector<std::int64_t> presses_us;
  const auto press = [&](std::int64_t at_ms) {
    program.KeyAt(at_ms, kCtrlZ);
    presses_us.push_back(program.ClockUs(at_ms));
  };
  for (std::int64_t at = kTextAtMs + kFirstKeyAfterMs; at < text_end_ms; at += kKeyEveryMs) {
    press(at);
  }
  for (const std::int64_t after : kQuietKeysAfterMs) press(text_end_ms + after);
  program.KeyAt(text_end_ms + kExitAfterMs, KeyShiftF2);
  program.KeyAt(text_end_ms + kExitAfterMs + kQuitAfterExitMs, "q");

  StreamFigures figures;
  figures.finished = program.Run(text_end_ms + kExitAfterMs + kVirtualSlackMs);
  figures.text_bytes = text_bytes;
  const sim::BaseUnit& base = program.Chassis().Base(1);
  figures.sent = base.Line(sim::Device::kModuleA).FromDevice().size();
  std::error_code error;
  const auto size = std::filesystem::file_size(program.Dir() / "Term.txt", error);
  figures.captured = error ? 0 : static_cast<std::uint64_t>(size);
  figures.overruns = static_cast<std::uint64_t>(base.Uart().RxBytesLost());
  figures.keys = WorstKeyToWire(presses_us, program.Watch().Times());
  figures.stream_cpu_seconds = marks.cpu_end - marks.cpu_start;
  figures.stream_clock_seconds = static_cast<double>(marks.end_ms - marks.start_ms) / 1000.0;
  return figures;
}

IdleFigures MeasureIdle(double seconds_each) {
  const auto span_ms = static_cast<std::int64_t>(seconds_each * 1000.0);
  constexpr std::int64_t kSettleMs = 300;
  BenchProgram program(BenchClock::kReal, sim::ChassisConfig{}, 115'200);
  // Module A at its login screen says nothing unless spoken to.
  struct Mark {
    double cpu = 0;
    std::int64_t ms = 0;
  };
  Mark marks[4];
  const auto mark_at = [&](std::int64_t at_ms, Mark& mark) {
    program.ProbeAt(at_ms, [&program, &mark] {
      mark.cpu = ProcessorSeconds();
      mark.ms = program.ElapsedMs();
    });
  };
  const std::int64_t menu_end = kSettleMs + span_ms;
  const std::int64_t open = menu_end + 50;
  const std::int64_t terminal_start = open + kSettleMs;
  const std::int64_t terminal_end = terminal_start + span_ms;
  mark_at(kSettleMs, marks[0]);
  mark_at(menu_end, marks[1]);
  program.KeyAt(open, "a");
  mark_at(terminal_start, marks[2]);
  mark_at(terminal_end, marks[3]);
  program.KeyAt(terminal_end + 50, KeyShiftF2);
  program.KeyAt(terminal_end + 250, "q");
  program.Run(terminal_end + kVirtualSlackMs);
  const auto share = [](const Mark& from, const Mark& to) {
    const double wall = static_cast<double>(to.ms - from.ms) / 1000.0;
    return wall > 0 ? (to.cpu - from.cpu) / wall : 0.0;
  };
  return {share(marks[0], marks[1]), share(marks[2], marks[3])};
}

}  // namespace r7n::bench
