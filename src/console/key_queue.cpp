#include "console/key_queue.h"

#include <utility>

namespace r7n {

void KeyQueue::Push(KeyCode key) {
  if (key.empty()) return;
  if (keys_.size() == kCapacity) keys_.pop_front();
  keys_.push_back(std::move(key));
}

KeyCode KeyQueue::Pop() {
  if (keys_.empty()) return {};
  KeyCode key = std::move(keys_.front());
  keys_.pop_front();
  return key;
}

}  // namespace r7n
