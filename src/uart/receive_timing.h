#pragma once

#include <cstddef>
#include <cstdint>

namespace r7n {

// Every time that decides when the program reads a receiver, in one place.
// A byte is ten bit times on the line (start, eight data bits, stop); the
// base unit's receive FIFO holds 128 bytes, 1.4 ms at 921,600 bit/s and
// 11 ms at 115,200.
struct ReceiveTiming {
  // A quiet receiver is looked at again after the time twelve bytes take,
  // so that a UART with a 16-byte receive FIFO still has room when the far
  // end starts a burst.
  static constexpr std::int64_t kQuietSliceBytes = 12;
  // A line long settled is looked at after 64 byte times, half the base
  // unit's FIFO, which spares the processor on an idle line.
  static constexpr std::int64_t kSettledSliceBytes = 64;
  // Never longer than this on a slow line: the keyboard and the screen wait
  // on the same slices.
  static constexpr std::int64_t kLongestQuietSliceUs = 5000;
  // Never shorter: below this the bus could not keep up anyway.
  static constexpr std::int64_t kShortestQuietSliceUs = 20;
  // A line that brought nothing and was sent nothing for this long has
  // settled: a reply is not expected any moment.
  static constexpr std::int64_t kSettledAfterUs = 100'000;

  // A receive's idle time-out is counted in ticks of this length.
  static constexpr int kRcvTickMs = 10;
  // A paced send waits this long after each byte, as a person typing fast.
  static constexpr int kSlowSendPauseMs = 10;

  // The terminal session. While the line is quiet a pass pauses this long,
  // looking at the keyboard every slice; a quiet slice may sound the bell.
  static constexpr int kQuietPassMs = 30;
  static constexpr int kQuietSliceMs = 5;
  // Longest a pass spends showing what arrived before it reads the
  // keyboard, so that a key reaches the wire quickly while the far end
  // never pauses.
  static constexpr std::int64_t kMaxPassUs = 2000;
  // Shortest sleep between the bursts of a line: below half a millisecond
  // (above about 240,000 bit/s) a pass reading the port itself looks again
  // at once, since getting the processor back after a sleep can take longer
  // than the FIFO lasts at such rates.
  static constexpr std::int64_t kShortestSleepUs = 500;
  // With the reader thread keeping the FIFO drained, the terminal need not
  // look as often: it wakes when the reader has gathered this much, when a
  // burst has ended, or after kMaxPassUs; a quiet line it looks at every
  // kMaxPassUs, a settled one every kLongestQuietSliceUs.
  static constexpr std::size_t kWakeReserveBytes = 256;
  // The terminal's receives give up after this long without a byte.
  static constexpr int kTerminalReceiveTimeoutMs = 1000;
};

}  // namespace r7n
