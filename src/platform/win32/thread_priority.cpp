#include "platform/thread_priority.h"

#include <windows.h>

namespace r7n {

bool RaiseThreadPriority() {
  return SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL) != 0;
}

}  // namespace r7n
