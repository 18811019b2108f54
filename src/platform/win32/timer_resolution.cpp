#include "platform/win32/timer_resolution.h"

// The timer header needs the types of windows.h first.
// clang-format off
#include <windows.h>
#include <timeapi.h>
// clang-format on

namespace r7n {

TimerResolution::TimerResolution(unsigned period_ms)
    : period_ms_(period_ms), raised_(timeBeginPeriod(period_ms) == TIMERR_NOERROR) {}

TimerResolution::~TimerResolution() {
  if (raised_) timeEndPeriod(period_ms_);
}

}  // namespace r7n
