#include "platform/real_clock.h"

#include <chrono>
#include <thread>

#include "platform/fine_sleep.h"

namespace r7n {

std::int64_t RealClock::NowUs() {
  using namespace std::chrono;
  return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

void RealClock::SleepMs(int ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void RealClock::SleepUs(std::int64_t us) {
  SleepFineUs(us);
}

}  // namespace r7n
