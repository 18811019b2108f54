#include "platform/inheriting_mutex.h"

namespace r7n {

InheritingMutex::InheritingMutex() = default;
InheritingMutex::~InheritingMutex() = default;

void InheritingMutex::lock() {
  mutex_.lock();
}

void InheritingMutex::unlock() {
  mutex_.unlock();
}

}  // namespace r7n
