#include "bench/rate_table.h"

#include <algorithm>
#include <map>
#include <optional>
#include <string>

#include "bench/rate_search.h"

namespace r7n::bench {
namespace {

// The search's range: the slowest rate of the table, and a rate well beyond
// what one port read per byte can carry (about 10 Mbit/s).
constexpr int kSlowestDivisor = 1085;  // 115,200 bit/s
constexpr int kFastestDivisor = 8;     // 15,625,000 bit/s
constexpr double kMiB = 1024.0 * 1024.0;

std::string Grouped(long long value) {
  const std::string digits = std::to_string(value < 0 ? -value : value);
  std::string grouped = value < 0 ? "-" : "";
  for (std::size_t at = 0; at < digits.size(); ++at) {
    if (at > 0 && (digits.size() - at) % 3 == 0) grouped += ',';
    grouped += digits[at];
  }
  return grouped;
}

void PrintHeader(const RateTablePlan& plan, std::FILE* out) {
  std::fprintf(out,
               "Terminal on a module printing text for %.1f s, Ctrl-Z every 250 ms, %s clock\n",
               plan.stream_seconds, ClockName(plan.clock));
  std::fprintf(out, "%5s %12s %11s %11s %9s %9s %8s %5s %11s %6s\n", "FIFO", "bit/s", "sent",
               "captured", "lost", "overruns", "key ms", "keys", "CPU ms/MiB", "CPU %");
}

void PrintRow(int depth, const std::string& rate, const StreamFigures& f, bool real,
              std::FILE* out) {
  std::string cpu = "-";
  std::string share = "-";
  if (real && f.text_bytes > 0 && f.stream_clock_seconds > 0) {
    char text[32];
    std::snprintf(text, sizeof text, "%.0f",
                  f.stream_cpu_seconds * 1000.0 / (static_cast<double>(f.text_bytes) / kMiB));
    cpu = text;
    std::snprintf(text, sizeof text, "%.0f", f.stream_cpu_seconds * 100.0 / f.stream_clock_seconds);
    share = text;
  }
  std::fprintf(out, "%5d %12s %11s %11s %9s %9s %8.1f %5d %11s %6s%s\n", depth, rate.c_str(),
               Grouped(static_cast<long long>(f.sent)).c_str(),
               Grouped(static_cast<long long>(f.captured)).c_str(), Grouped(f.Lost()).c_str(),
               Grouped(static_cast<long long>(f.overruns)).c_str(),
               static_cast<double>(f.keys.worst_us) / 1000.0, f.keys.keys, cpu.c_str(),
               share.c_str(), f.finished ? "" : "  (stopped: time limit)");
}

// Sessions by divisor, so that the search reuses what the table has run:
// rates with the same divisor program the UART alike.
class Sessions {
 public:
  Sessions(const RateTablePlan& plan, int depth) : plan_(plan), depth_(depth) {}

  const StreamFigures& AtRate(int baud) {
    auto [it, added] = runs_.try_emplace(DivisorOfRate(baud));
    if (added) {
      it->second = RunStream({plan_.clock, baud, depth_, plan_.stream_seconds});
    }
    return it->second;
  }

 private:
  const RateTablePlan& plan_;
  int depth_;
  std::map<int, StreamFigures> runs_;
};

void PrintDepth(const RateTablePlan& plan, int depth, std::FILE* out) {
  const bool real = plan.clock == BenchClock::kReal;
  Sessions sessions(plan, depth);
  for (const int baud : plan.rates) {
    PrintRow(depth, Grouped(baud), sessions.AtRate(baud), real, out);
    std::fflush(out);
  }
  const std::optional<int> divisor =
      FastestLosslessDivisor(kSlowestDivisor, kFastestDivisor, plan.search_resolution,
                             [&](int d) { return sessions.AtRate(RateOfDivisor(d)).Lossless(); });
  if (!divisor) {
    std::fprintf(out, "%5d %12s  (loses bytes even at %s bit/s)\n", depth, "max",
                 Grouped(RateOfDivisor(kSlowestDivisor)).c_str());
  } else {
    const int baud = RateOfDivisor(*divisor);
    const std::string label = (*divisor == kFastestDivisor ? ">=" : "max ") + Grouped(baud);
    PrintRow(depth, label, sessions.AtRate(baud), real, out);
  }
  std::fflush(out);
}

}  // namespace

void PrintRateTable(const RateTablePlan& plan, std::FILE* out) {
  PrintHeader(plan, out);
  for (const int depth : plan.fifo_depths) PrintDepth(plan, depth, out);
  std::fprintf(out,
               "sent: the text and the module's answers to the keys; lost: sent less what "
               "Term.txt holds;\nkey ms: worst time from a key press to its byte in the transmit "
               "register;\nmax: the fastest rate found (125 MHz / a whole divisor) at which "
               "nothing is lost.\n");
  if (plan.clock == BenchClock::kReal) {
    std::fprintf(
        out,
        "CPU ms/MiB: processor time of the whole process (program and simulated "
        "chassis, whose\nport accesses are paced by spinning) while the text "
        "flows, per MiB of text;\nCPU %%: that processor time over the wall time it took.\n");
  }
}

}  // namespace r7n::bench
