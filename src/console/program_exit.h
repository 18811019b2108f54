#pragma once

namespace r7n {

// Thrown to end the program (the quit key, Home at an error message); caught
// only where the program was started, so every exit unwinds the same way.
struct ProgramExit {
  int status = 0;
};

}  // namespace r7n
