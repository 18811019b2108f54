// Figures of the terminal on the virtual clock: whether a module printing
// continuously at 115200 bit/s loses bytes on the way to the screen and the
// capture file, how long a key press takes to reach the wire while it does,
// and the processor time the receive path costs per MiB.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "console/console.h"
#include "platform/virtual_clock.h"
#include "terminal/capture_file.h"
#include "terminal/receive_parser.h"
#include "terminal/terminal_screen.h"
#include "testing/headless_console.h"
#include "testing/program_harness.h"
#include "testing/temp_dir.h"

namespace r7n {
namespace {

constexpr std::size_t kStreamBytes = 256 * 1024;
constexpr std::int64_t kOpenAtMs = 100;
constexpr std::int64_t kStreamAtMs = 200;

// Lines of printable text with CR LF ends, as a module's console prints them.
std::string ModuleOutput(std::size_t bytes) {
  std::string text;
  for (int line = 0; text.size() < bytes; ++line) {
    text += "line " + std::to_string(line) + ": the quick brown fox jumps over the lazy dog\r\n";
  }
  text.resize(bytes);
  return text;
}

struct StreamFigures {
  std::size_t sent = 0;
  std::size_t captured = 0;
  std::size_t lost_in_uart = 0;
  std::int64_t worst_key_us = 0;
  int keys = 0;
};

StreamFigures RunStream(int rx_fifo_depth) {
  testing::HarnessOptions options;
  options.chassis.rx_fifo_depth = rx_fifo_depth;
  testing::ProgramHarness h(options);
  const std::string stream = ModuleOutput(kStreamBytes);
  // The stream takes 10/115200 s a byte; keys come every 700 ms while it flows.
  const std::int64_t stream_ms = static_cast<std::int64_t>(stream.size()) * 10'000 / 115'200;
  const std::int64_t end_ms = kStreamAtMs + stream_ms + 1000;
  h.KeyAt(kOpenAtMs, "a");
  h.ProbeAt(kStreamAtMs, [&] { h.Chassis().MutableBase(1).Inject(sim::Device::kModuleA, stream); });
  std::vector<std::int64_t> key_times;
  for (std::int64_t at = kStreamAtMs + 350; at < end_ms - 500; at += 700) {
    h.KeyAt(at, "\x1a");  // Ctrl-Z sends one byte and the console only prints a prompt
    key_times.push_back(at * 1000);
  }
  // And two on the quiet line after it.
  for (const std::int64_t at : {end_ms - 300, end_ms - 140}) {
    h.KeyAt(at, "\x1a");
    key_times.push_back(at * 1000);
  }
  h.KeyAt(end_ms, KeyShiftF2);
  h.KeyAt(end_ms + 500, "q");
  h.Recorder().SetEnabled(true);
  h.Run();

  StreamFigures figures;
  // Everything the module put on the line: the stream and its answers to the keys.
  figures.sent = h.Chassis().Base(1).Line(sim::Device::kModuleA).FromDevice().size();
  std::error_code error;
  figures.captured =
      static_cast<std::size_t>(std::filesystem::file_size(h.Dir() / "Term.txt", error));
  figures.lost_in_uart = static_cast<std::size_t>(h.Chassis().Base(1).Uart().RxBytesLost());
  // A key's byte is on the wire when it is written to the transmit register.
  std::vector<std::int64_t> sends;
  std::uint8_t index = 0;
  for (const auto& access : h.Recorder().Trace()) {
    if (access.write && access.port == 0x311) index = access.value;
    if (access.write && access.port == 0x310 && index == 0x32 && access.value == 0x03) {
      sends.push_back(access.time_us);
    }
  }
  for (std::size_t i = 0; i < key_times.size() && i < sends.size(); ++i) {
    figures.worst_key_us = std::max(figures.worst_key_us, sends[i] - key_times[i]);
  }
  figures.keys = static_cast<int>(std::min(key_times.size(), sends.size()));
  return figures;
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
  std::string data = ModuleOutput(kBytes);
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

}  // namespace
}  // namespace r7n

int main() {
  using namespace r7n;
  std::printf("Terminal on a module streaming %zu bytes at 115200 bit/s (virtual clock)\n",
              kStreamBytes);
  std::printf("%-10s %10s %12s %10s %14s %6s\n", "rx FIFO", "sent", "captured", "UART lost",
              "worst key ms", "keys");
  for (const int depth : {128, 1024}) {
    const StreamFigures f = RunStream(depth);
    std::printf("%-10d %10zu %12zu %10zu %14.1f %6d\n", depth, f.sent, f.captured, f.lost_in_uart,
                static_cast<double>(f.worst_key_us) / 1000.0, f.keys);
  }
  std::printf("Default chassis, virtual time: S %.2f s (modules at their login screens),\n",
              ActionSeconds("x", "s"));
  std::printf("  V after S %.2f s (already logged in), V alone %.2f s\n", ActionSeconds("s", "v"),
              ActionSeconds("x", "v"));
  std::printf("Receive path (parser, screen model, capture): %.3f ms of processor time per MiB\n",
              ReceivePathSecondsPerMiB() * 1000.0);
  return 0;
}
