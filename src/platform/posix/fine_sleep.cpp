#include "platform/fine_sleep.h"

#include <chrono>
#include <thread>

namespace r7n {

void SleepFineUs(std::int64_t us) {
  if (us > 0) std::this_thread::sleep_for(std::chrono::microseconds(us));
}

}  // namespace r7n
