#include "keys/key_code.h"

namespace r7n {

KeyCode UpperCaseKey(KeyCode key) {
  for (char& c : key) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return key;
}

}  // namespace r7n
