#pragma once

#include <memory>
#include <string>

namespace r7n {

// The index and data ports of a base unit are one shared register file: two
// programs that drive a chassis at once interleave their port sequences and
// corrupt each other's transfers. So a program holds this lock for as long as
// it runs; the system releases it when the process ends, however it ends.
class ChassisLock {
 public:
  virtual ~ChassisLock() = default;
};

struct ChassisLockResult {
  enum class State {
    kHeld,   // lock holds it until destroyed
    kInUse,  // another program holds it; message names that program
    kFailed  // the lock could not be taken at all; message says why
  };
  State state = State::kFailed;
  std::unique_ptr<ChassisLock> lock;
  std::string message;
};

// Takes the lock at once or not at all. place is a lock file (Linux) or a
// mutex name (Windows); holder describes this program to whoever is refused
// ("r7n_uart survey, process 1234").
ChassisLockResult LockChassis(const std::string& place, const std::string& holder);

// The machine's one place, unless the environment variable R7N_UART_LOCK
// names another (for tests that run several programs side by side).
std::string DefaultChassisLockPlace();

}  // namespace r7n
