#include "platform/thread_priority.h"

#include <pthread.h>
#include <sched.h>

namespace r7n {

bool RaiseThreadPriority() {
  // The lowest real-time priority is enough to come before every ordinary
  // thread, and leaves the system's own real-time threads ahead.
  sched_param param{};
  param.sched_priority = sched_get_priority_min(SCHED_FIFO);
  return pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
}

}  // namespace r7n
