// How long std::this_thread::sleep_for(10 ms) really lasts, first at the
// system's own timer period and then with TimerResolution raised to 1 ms.
// A figure to read, not a test: it depends on the machine and its load.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "platform/win32/timer_resolution.h"

namespace {

constexpr int kRounds = 200;
constexpr auto kSleep = std::chrono::milliseconds(10);

void Measure(const char* label) {
  using Clock = std::chrono::steady_clock;
  std::vector<double> ms;
  for (int i = 0; i < kRounds; ++i) {
    const auto start = Clock::now();
    std::this_thread::sleep_for(kSleep);
    ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  std::sort(ms.begin(), ms.end());
  double sum = 0;
  for (const double m : ms) sum += m;
  std::printf("%-22s mean %6.2f ms  min %6.2f  median %6.2f  p95 %6.2f  max %6.2f\n", label,
              sum / kRounds, ms.front(), ms[kRounds / 2], ms[kRounds * 95 / 100], ms.back());
}

}  // namespace

int main() {
  Measure("default period:");
  {
    const r7n::TimerResolution timer(1);
    std::printf("timeBeginPeriod(1) %s\n", timer.Raised() ? "accepted" : "refused");
    Measure("1 ms period:");
  }
  Measure("default period again:");
  return 0;
}
