#pragma once

#if defined(_WIN32)
#include <mutex>
#else
#include <pthread.h>
#endif

namespace r7n {

// A recursive mutex whose holder runs at the priority of the most urgent
// thread waiting for it. The receive thread runs ahead of ordinary threads;
// without inheritance the program's thread, preempted while it holds the
// ports for a moment, would keep the receive thread waiting for as long as
// the scheduler keeps it away, and the receive FIFO would overflow. Windows
// raises the priority of lock holders on its own.
class InheritingMutex {
 public:
  InheritingMutex();
  ~InheritingMutex();
  InheritingMutex(const InheritingMutex&) = delete;
  InheritingMutex& operator=(const InheritingMutex&) = delete;

  void lock();
  void unlock();

 private:
#if defined(_WIN32)
  std::recursive_mutex mutex_;
#else
  pthread_mutex_t mutex_;
#endif
};

}  // namespace r7n
