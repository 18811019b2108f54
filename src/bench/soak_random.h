#pragma once

#include <cstdint>

namespace r7n::bench {

// SplitMix64. The soak must replay the same day from a seed on every compiler
// and platform, which the standard library's distributions do not promise.
class SoakRandom {
 public:
  explicit SoakRandom(std::uint64_t seed) : state_(seed) {}

  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15u);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
  }
  // Uniform enough in [0, n) for the small n the soak draws from; n > 0.
  std::uint64_t Below(std::uint64_t n) { return Next() % n; }
  // lo to hi, both included; lo <= hi.
  std::int64_t Between(std::int64_t lo, std::int64_t hi) {
    return lo + static_cast<std::int64_t>(Below(static_cast<std::uint64_t>(hi - lo) + 1));
  }
  bool OneIn(std::uint64_t n) { return Below(n) == 0; }
  std::uint8_t Byte() { return static_cast<std::uint8_t>(Next() >> 56); }

 private:
  std::uint64_t state_;
};

// Independent streams from one seed: the far end's text and the operator's
// timeline must not shift when either draws one number more.
inline std::uint64_t SubSeed(std::uint64_t seed, std::uint64_t stream) {
  return SoakRandom(seed ^ (stream * 0xD1B54A32D192ED03u)).Next();
}

}  // namespace r7n::bench
