#include "platform/fine_sleep.h"

#include <windows.h>

// Windows 10 1803 and later; older systems refuse it and sleep in whole ms.
#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace r7n {
namespace {

// Sleep() ends on the system's timer tick, 1 ms at best even with the raised
// timer resolution, and often 2; a high-resolution waitable timer wakes
// within a fraction of that. One per thread, made on first use; null where
// the system has none.
class HighResolutionTimer {
 public:
  HighResolutionTimer()
      : handle_(CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                       TIMER_ALL_ACCESS)) {}
  ~HighResolutionTimer() {
    if (handle_ != nullptr) CloseHandle(handle_);
  }
  HighResolutionTimer(const HighResolutionTimer&) = delete;
  HighResolutionTimer& operator=(const HighResolutionTimer&) = delete;

  // False when there is no such timer or it could not be set.
  bool Sleep(std::int64_t us) {
    if (handle_ == nullptr) return false;
    LARGE_INTEGER due;
    due.QuadPart = -us * 10;  // relative, in units of 100 ns
    if (!SetWaitableTimer(handle_, &due, 0, nullptr, nullptr, FALSE)) return false;
    return WaitForSingleObject(handle_, INFINITE) == WAIT_OBJECT_0;
  }

 private:
  HANDLE handle_;
};

}  // namespace

void SleepFineUs(std::int64_t us) {
  if (us <= 0) return;
  thread_local HighResolutionTimer timer;
  if (!timer.Sleep(us)) ::Sleep(static_cast<DWORD>((us + 999) / 1000));
}

}  // namespace r7n
