#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>

namespace r7n::fuzz {

// A broken invariant ends the run on a trap, which libFuzzer reports as a
// crash and keeps the input for; the message says which invariant it was.
[[noreturn]] inline void Violated(std::string_view invariant) {
  std::fprintf(stderr, "\n*** invariant violated: %.*s\n", static_cast<int>(invariant.size()),
               invariant.data());
  std::fflush(stderr);
  __builtin_trap();
}

inline void Require(bool holds, std::string_view invariant) {
  if (!holds) Violated(invariant);
}

// A small deterministic generator for the choices a harness derives from its
// input (split points, cut points), so that one input always runs the same.
class Choices {
 public:
  explicit Choices(std::uint32_t seed) : state_(seed * 2654435761u + 0x9E3779B9u) {
    if (state_ == 0) state_ = 1;  // xorshift never leaves 0
  }

  std::uint32_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }
  // A number from 1 to most.
  std::size_t Between1And(std::size_t most) { return most <= 1 ? 1 : 1 + Next() % most; }

 private:
  std::uint32_t state_;
};

inline std::string_view AsText(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

}  // namespace r7n::fuzz
