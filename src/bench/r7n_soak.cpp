// A day of a terminal session on the virtual clock: the far end prints
// almost without a break, the operator types keys and plays macros. At the
// end Term.txt must hold exactly the bytes the terminal shows as themselves,
// module A must have heard exactly what the keys send, and the process must
// not have grown since the first hour.
//
//   r7n_soak [--hours H] [--seed N] [--via-sim-line]
//
// Exit status 0 when all holds, 1 when something does not, 2 for bad options.

#include <charconv>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bench/soak_run.h"

// AddressSanitizer keeps freed blocks in quarantine and maps shadow memory
// as it goes, so under it the process grows whatever the program does.
#if defined(__SANITIZE_ADDRESS__)
#define R7N_SOAK_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define R7N_SOAK_UNDER_ASAN 1
#endif
#endif

namespace r7n::bench {
namespace {

#ifdef R7N_SOAK_UNDER_ASAN
constexpr bool kMemoryBoundsApply = false;
#else
constexpr bool kMemoryBoundsApply = true;
#endif

// After the first hour every buffer of the session has reached its working
// size (screen, key queue, a pass's receive text, the capture file's stdio
// buffer, the allocator's arenas). What still grows by design is the
// simulated chassis' copy of the keys' bytes ("sim records"), about 0.13 MB
// a day at the script's typing rate, 0.25 MiB once its buffers have doubled,
// and the allocator may hold the old buffers too. A leak of a few bytes per pass (43 million passes
// a day) or per received byte (almost 1 GB a day) is far above 1 MiB.
constexpr std::int64_t kRssGrowthBoundKib = 1024;
// The heap in use, less the sim records, moves only by what happens to be
// allocated at the moment of a sample (a pass's text, a block of a queue):
// a few KiB. 64 KiB catches one lost allocation per key press (some 30,000
// a day), which the resident figure alone would not.
constexpr std::int64_t kProgramHeapGrowthBoundKib = 64;

struct Options {
  double hours = 24;
  std::uint64_t seed = 1;
  FeedPath path = FeedPath::kUart;
};

template <typename T>
bool ParseNumber(std::string_view text, T& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

std::optional<Options> ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == "--hours" && has_value) {
      if (!ParseNumber(argv[++i], options.hours) || options.hours * 3600 < 10) return std::nullopt;
    } else if (arg == "--seed" && has_value) {
      if (!ParseNumber(argv[++i], options.seed)) return std::nullopt;
    } else if (arg == "--via-sim-line") {
      options.path = FeedPath::kSimLine;
    } else {
      return std::nullopt;
    }
  }
  return options;
}

std::string Hms(std::int64_t us) {
  const std::int64_t s = us / kUsPerSecond;
  char text[32];
  std::snprintf(text, sizeof text, "%02" PRId64 ":%02" PRId64 ":%02" PRId64, s / 3600, s / 60 % 60,
                s % 60);
  return text;
}

std::string Kib(std::optional<std::int64_t> kib) {
  return kib ? std::to_string(*kib) : std::string("n/a");
}

std::optional<std::int64_t> RssKib(const MemorySample& s) {
  if (!s.memory) return std::nullopt;
  return s.memory->rss_kib;
}

std::optional<std::int64_t> HwmKib(const MemorySample& s) {
  if (!s.memory) return std::nullopt;
  return s.memory->hwm_kib;
}

std::optional<std::int64_t> HeapKib(const MemorySample& s) {
  if (!s.heap_bytes) return std::nullopt;
  return *s.heap_bytes / 1024;
}

void PrintSample(const MemorySample& s) {
  std::printf("  %s  real %7.1f s  sent %11" PRIu64
              "  VmRSS %6s  VmHWM %6s  heap %6s  sim %6" PRIu64 "\n",
              Hms(s.virtual_us).c_str(), s.real_seconds, s.bytes_sent, Kib(RssKib(s)).c_str(),
              Kib(HwmKib(s)).c_str(), Kib(HeapKib(s)).c_str(), s.sim_record_bytes / 1024);
  std::fflush(stdout);
}

void PrintComparison(const char* name, const StreamComparison& c) {
  std::printf("%-28s expected %13" PRIu64 "  actual %13" PRIu64 "  %s\n", name, c.expected,
              c.actual, c.Equal() ? "identical" : "DIFFERENT");
}

void PrintFigures(const SoakFigures& f) {
  std::printf("virtual time simulated      %s (%.0f s)\n", Hms(f.virtual_us).c_str(),
              static_cast<double>(f.virtual_us) / kUsPerSecond);
  std::printf("real time taken             %.1f s\n", f.real_seconds);
  std::printf("bytes sent by the far end   %" PRIu64 " (%" PRIu64 " pieces, %" PRIu64
              " BELs), line busy %.1f %%\n",
              f.far_end.sent, f.far_end.tokens, f.far_end.bells, f.line_busy * 100);
  std::printf("bytes lost                  %" PRIu64 " in the receive FIFO, %" PRIu64
              " sent while not connected\n",
              f.lost_in_uart, f.far_end.unheard);
  PrintComparison("bytes captured (Term.txt)", f.capture);
  PrintComparison("bytes heard by module A", f.to_module);
  const KeyboardFigures& k = f.keyboard;
  std::printf("keys typed                  %" PRIu64 " (help %" PRIu64
              ", empty function keys %" PRIu64 ")\n",
              k.keys, k.help, k.empty_function_keys);
  std::printf("macros played               %" PRIu64 " one-line (%" PRIu64 " with waits), %" PRIu64
              " two-line (external program ran %" PRIu64 " times)\n",
              k.macros, k.waiting_macros, k.external_macros, f.external_runs);
  std::printf("tones                       %" PRIu64 "\n", k.beeps);
  std::printf("sim records                 %" PRIu64 " bytes\n", f.sim_record_bytes);
}

// The sample at or after the first hour (the first sample in a shorter run).
const MemorySample& FirstSteady(const std::vector<MemorySample>& samples) {
  const MemorySample* from = &samples.front();
  for (const MemorySample& s : samples) {
    if (from->virtual_us < kUsPerHour && s.virtual_us >= kUsPerHour) from = &s;
  }
  return *from;
}

std::optional<std::int64_t> Difference(std::optional<std::int64_t> from,
                                       std::optional<std::int64_t> to) {
  if (!from || !to) return std::nullopt;
  return *to - *from;
}

// Growth since the first hour, against the bounds; adds a fault per bound
// exceeded.
void CheckGrowth(const SoakFigures& f, std::vector<std::string>& faults) {
  if (f.samples.empty()) return;
  const MemorySample& from = FirstSteady(f.samples);
  const MemorySample& to = f.samples.back();
  const std::optional<std::int64_t> rss = Difference(RssKib(from), RssKib(to));
  const auto records = static_cast<std::int64_t>(to.sim_record_bytes) -
                       static_cast<std::int64_t>(from.sim_record_bytes);
  std::optional<std::int64_t> program_heap = Difference(from.heap_bytes, to.heap_bytes);
  if (program_heap) *program_heap = (*program_heap - records) / 1024;
  std::printf("growth from %s to %s:\n", Hms(from.virtual_us).c_str(), Hms(to.virtual_us).c_str());
  std::printf("  VmRSS                     %s KiB (bound %" PRId64 " KiB)\n", Kib(rss).c_str(),
              kRssGrowthBoundKib);
  std::printf("  sim records               %" PRId64 " KiB\n", records / 1024);
  std::printf("  heap less sim records     %s KiB (bound %" PRId64 " KiB)\n",
              Kib(program_heap).c_str(), kProgramHeapGrowthBoundKib);
  if (!kMemoryBoundsApply) {
    std::printf("  (bounds not applied: built with AddressSanitizer)\n");
    return;
  }
  if (rss && *rss > kRssGrowthBoundKib) faults.push_back("VmRSS grew by more than its bound");
  if (program_heap && *program_heap > kProgramHeapGrowthBoundKib) {
    faults.push_back("the program's heap grew by more than its bound");
  }
}

int Run(const Options& options) {
  SoakOptions soak;
  soak.virtual_us = static_cast<std::int64_t>(options.hours * static_cast<double>(kUsPerHour));
  soak.seed = options.seed;
  soak.path = options.path;
  soak.on_sample = PrintSample;
  std::printf("Soak: %.2f virtual hours, seed %" PRIu64 ", far end %s\n", options.hours,
              options.seed, options.path == FeedPath::kUart ? "into the UART" : "on the sim line");
  std::printf("memory samples (KiB):\n");
  std::fflush(stdout);
  const SoakFigures figures = RunSoak(soak);
  PrintFigures(figures);
  std::vector<std::string> faults = SoakFaults(figures);
  CheckGrowth(figures, faults);
  for (const std::string& fault : faults) std::printf("FAULT: %s\n", fault.c_str());
  std::printf("%s\n", faults.empty() ? "PASS" : "FAIL");
  return faults.empty() ? 0 : 1;
}

}  // namespace
}  // namespace r7n::bench

int main(int argc, char** argv) {
  const std::optional<r7n::bench::Options> options = r7n::bench::ParseOptions(argc, argv);
  if (!options) {
    std::fprintf(stderr, "usage: r7n_soak [--hours H] [--seed N] [--via-sim-line]\n");
    return 2;
  }
  return r7n::bench::Run(*options);
}
