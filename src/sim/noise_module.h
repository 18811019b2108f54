#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "sim/chassis_config.h"
#include "sim/line_device.h"

namespace r7n::sim {

// A seeded stream of bytes meant to break whatever shows it: every byte value
// turns up, and mixed in are whole sequences that a host terminal would act on
// (title, colour, mode and clipboard changes, queries it would answer), since
// bytes drawn one by one almost never line up into a sequence. The stream is
// the same on every machine for a given seed, and it does not depend on how
// it is cut into pieces.
class NoiseGenerator {
 public:
  explicit NoiseGenerator(std::uint64_t seed) : state_(seed) {}

  // The next count bytes of the stream.
  std::string Next(std::size_t count);

 private:
  std::uint64_t NextWord();
  // One random byte, or now and then a whole sequence.
  std::string NextPiece();
  std::string RandomSgr();
  std::string RandomCsi();

  std::uint64_t state_;
  // What the last call cut off of its final piece.
  std::string carry_;
};

// A module console gone wrong: it says nothing until it hears a CR, and then
// pours out the next burst of its noise stream, which the line carries at
// its own rate like any other reply.
class NoiseModule : public LineDevice {
 public:
  // Throws std::invalid_argument unless a burst holds at least one byte.
  explicit NoiseModule(const NoiseSettings& settings);

  void Receive(std::uint8_t byte, std::int64_t now_us, std::string& out) override;

 private:
  NoiseGenerator generator_;
  std::size_t burst_bytes_;
};

}  // namespace r7n::sim
