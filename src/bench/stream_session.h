#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "bench/bench_program.h"
#include "bench/transmit_watch.h"

namespace r7n::bench {

// A terminal session on module A of base unit 1 while the module prints text
// without a pause, at the rate the program's configuration file sets, and
// the operator presses Ctrl-Z now and then, during the text and after it.
struct StreamPlan {
  BenchClock clock = BenchClock::kVirtual;
  int line_baud = 115'200;  // the module's rate and the program's #COMMODE
  int rx_fifo_depth = 128;
  double stream_seconds = 2.0;  // how long the text takes on the line
};

struct StreamFigures {
  std::uint64_t sent = 0;      // bytes the module put on the line: the text and its answers
  std::uint64_t captured = 0;  // bytes in Term.txt
  std::uint64_t overruns = 0;  // bytes that arrived at a full receive FIFO
  KeyToWire keys;
  std::uint64_t text_bytes = 0;
  // Processor time of the whole process (program and simulated chassis) and
  // wall time on the session's clock, from the first byte of the text to the
  // last.
  double stream_cpu_seconds = 0;
  double stream_clock_seconds = 0;
  bool finished = true;  // false when the session ran past its time limit

  std::int64_t Lost() const {
    return static_cast<std::int64_t>(sent) - static_cast<std::int64_t>(captured);
  }
  bool Lossless() const { return finished && sent > 0 && Lost() == 0 && overruns == 0; }
};

StreamFigures RunStream(const StreamPlan& plan);

// Lines of printable text with CR LF ends, as a module's console prints them.
std::string ModuleText(std::size_t bytes);

// Processor time over wall time while the program waits for a key in the
// menu, and while a terminal is open on a module that sends nothing; on the
// real clock, seconds_each of each.
struct IdleFigures {
  double menu_share = 0;
  double terminal_share = 0;
};
IdleFigures MeasureIdle(double seconds_each);

}  // namespace r7n::bench
