#pragma once

#include <cstdint>
#include <string>

#include "bench/soak_random.h"

namespace r7n::bench {

// One piece of what the far end prints: the bytes on the wire, and the part of
// them that the terminal's capture file keeps (the bytes shown as themselves:
// 0x20-0xFF, CR and LF outside escape sequences).
struct StreamToken {
  std::string wire;
  std::string captured;
};

// What a busy module console might print, from a seed: text with line ends,
// colour and erase sequences, sequences the terminal does not know, stray
// control bytes. Every token leaves the terminal's parser where it started,
// so tokens can follow each other in any order and be cut anywhere by the
// receive passes. BEL is never part of a token: its 250 ms tone stops the
// terminal from reading, so the far end sends it only before a pause.
class StreamTokens {
 public:
  explicit StreamTokens(std::uint64_t seed) : random_(seed) {}

  // Replaces token with the next one.
  void Next(StreamToken& token);

 private:
  void Text(StreamToken& token);
  void LineEnd(StreamToken& token);
  void Colour(StreamToken& token);
  void Erase(StreamToken& token);
  void UnknownSequence(StreamToken& token);
  void EscapeAndByte(StreamToken& token);
  void ControlByte(StreamToken& token);
  void AppendDigits(std::string& text, int max_digits);

  SoakRandom random_;
};

// The far end's stream of a soak seed.
inline std::uint64_t StreamSeed(std::uint64_t soak_seed) {
  return SubSeed(soak_seed, 1);
}

// What the capture file must hold once the first `tokens` tokens of a soak
// seed's stream have arrived: the part of each that is kept, in order.
class ExpectedCapture {
 public:
  ExpectedCapture(std::uint64_t soak_seed, std::uint64_t tokens)
      : tokens_(StreamSeed(soak_seed)), left_(tokens) {}
  // Appends up to max bytes to out; false once there are no more.
  bool Read(std::string& out, std::size_t max);

 private:
  StreamTokens tokens_;
  std::uint64_t left_;
  StreamToken token_;
  std::string pending_;
};

}  // namespace r7n::bench
