#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "sim/line_device.h"

namespace r7n::sim {

// Numbered lines of plain text with CR LF ends, the same on every run: line
// n reads "0000000n the quick brown fox jumps over the lazy dog". Every line
// has the same length and a number one above the last, so a byte lost
// anywhere in a capture shows. The stream does not depend on how it is cut
// into pieces.
class TextGenerator {
 public:
  // The next count bytes of the stream.
  std::string Next(std::size_t count);

 private:
  std::uint64_t line_ = 0;
  // What the last call cut off of its final line.
  std::string carry_;
};

// A module console that prints a long listing: it says nothing until it
// hears a CR, and then sends the next burst of its text stream, which the
// line carries at its own rate like any other reply. A long burst is handed
// to the line a piece at each step of the model: making a megabyte at once
// would stop the simulated chassis, and with it the program, for
// milliseconds in which a real module would long have been sending.
class TextModule : public LineDevice {
 public:
  // Throws std::invalid_argument unless a burst holds at least one byte.
  explicit TextModule(int burst_bytes);

  static constexpr std::size_t kPieceBytes = 256;

  void Receive(std::uint8_t byte, std::int64_t now_us, std::string& out) override;
  void Tick(std::int64_t now_us, std::string& out) override;

 private:
  TextGenerator generator_;
  std::size_t burst_bytes_;
  std::size_t unsent_ = 0;  // of the bursts asked for
};

}  // namespace r7n::sim
