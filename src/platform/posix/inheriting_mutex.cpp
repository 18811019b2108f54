#include "platform/inheriting_mutex.h"

#include <system_error>

namespace r7n {

InheritingMutex::InheritingMutex() {
  pthread_mutexattr_t attributes;
  pthread_mutexattr_init(&attributes);
  pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
  pthread_mutexattr_setprotocol(&attributes, PTHREAD_PRIO_INHERIT);
  const int error = pthread_mutex_init(&mutex_, &attributes);
  pthread_mutexattr_destroy(&attributes);
  if (error != 0) throw std::system_error(error, std::generic_category(), "pthread_mutex_init");
}

InheritingMutex::~InheritingMutex() {
  pthread_mutex_destroy(&mutex_);
}

void InheritingMutex::lock() {
  const int error = pthread_mutex_lock(&mutex_);
  if (error != 0) throw std::system_error(error, std::generic_category(), "pthread_mutex_lock");
}

void InheritingMutex::unlock() {
  pthread_mutex_unlock(&mutex_);
}

}  // namespace r7n
