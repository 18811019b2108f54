#pragma once

#include <cstdint>

namespace r7n::sim {

// What is plugged into the simulated chassis. Both base units are fitted by
// default because that is the chassis the service console is normally used on.
struct ChassisConfig {
  bool base1_fitted = true;
  bool base2_fitted = true;
  // Low nibble of BoardId on both base units; the high nibble is fixed by the board.
  std::uint8_t board_revision = 1;
};

}  // namespace r7n::sim
