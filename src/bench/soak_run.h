#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "bench/memory_status.h"
#include "bench/soak_keyboard.h"
#include "bench/stream_compare.h"
#include "bench/streaming_far_end.h"

namespace r7n::bench {

inline constexpr std::int64_t kUsPerSecond = 1'000'000;
inline constexpr std::int64_t kUsPerHour = 3600 * kUsPerSecond;

// The process's memory at one moment of the session.
struct MemorySample {
  std::int64_t virtual_us = 0;
  double real_seconds = 0;
  std::uint64_t bytes_sent = 0;
  std::optional<MemoryStatus> memory;
  std::optional<std::int64_t> heap_bytes;
  // What the simulated chassis holds for its copies of the line's bytes.
  std::uint64_t sim_record_bytes = 0;
};

struct SoakOptions {
  std::int64_t virtual_us = 24 * kUsPerHour;  // at least 10 s
  std::uint64_t seed = 1;
  FeedPath path = FeedPath::kUart;
  std::int64_t sample_every_us = kUsPerHour;
  // Called with each memory sample as it is taken, for a running report.
  std::function<void(const MemorySample&)> on_sample;
};

struct SoakFigures {
  std::optional<int> exit_status;  // none: the run hit its time limit
  std::int64_t virtual_us = 0;     // when the program ended
  double real_seconds = 0;
  // Share of the streaming part of the day the line was busy, 0 to 1.
  double line_busy = 0;
  FarEndFigures far_end;
  std::uint64_t lost_in_uart = 0;  // frames that found the receive FIFO full
  StreamComparison capture;        // Term.txt against the stream's kept bytes
  StreamComparison to_module;      // what module A heard against the keys' bytes
  KeyboardFigures keyboard;
  std::uint64_t external_runs = 0;
  // Bytes the simulated chassis keeps of what crossed module A's line and
  // left the UART: they grow with the traffic, outside the program.
  std::uint64_t sim_record_bytes = 0;
  std::vector<MemorySample> samples;
};

// One terminal session on module A of base unit 1, on the virtual clock: the
// menu key, options.virtual_us of the far end printing and the operator typing
// and playing macros, Shift-F2 and Q. Then Term.txt and what module A heard
// are compared with what was sent and typed.
SoakFigures RunSoak(const SoakOptions& options);

// Every way the figures show a fault, one line each; empty when clean. Memory
// is left to the caller, which knows what bound fits its run.
std::vector<std::string> SoakFaults(const SoakFigures& figures);

}  // namespace r7n::bench
