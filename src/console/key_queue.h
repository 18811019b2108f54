#pragma once

#include <cstddef>
#include <deque>

#include "keys/key_code.h"

namespace r7n {

// Key presses waiting to be read, oldest first. When it is full, a new key
// drops the oldest, so a flood of keys while an action runs cannot grow it.
class KeyQueue {
 public:
  static constexpr std::size_t kCapacity = 511;

  void Push(KeyCode key);
  // The oldest key, removed; empty when none waits.
  KeyCode Pop();
  bool Empty() const { return keys_.empty(); }
  std::size_t Size() const { return keys_.size(); }

 private:
  std::deque<KeyCode> keys_;
};

}  // namespace r7n
