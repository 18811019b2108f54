#pragma once

#include <cstdio>
#include <vector>

#include "bench/stream_session.h"

namespace r7n::bench {

struct RateTablePlan {
  BenchClock clock = BenchClock::kVirtual;
  std::vector<int> rates;        // bit/s, each a row
  std::vector<int> fifo_depths;  // each a block of rows
  double stream_seconds = 2.0;
  // Of the search for the fastest lossless rate: its divisors differ by no
  // more than one part in this many at the end.
  int search_resolution = 64;
};

// For each receive FIFO depth: a session at each rate, and the fastest rate
// found at which nothing is lost, printed as one table.
void PrintRateTable(const RateTablePlan& plan, std::FILE* out);

}  // namespace r7n::bench
