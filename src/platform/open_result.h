#pragma once

#include <memory>
#include <string>

namespace r7n {

// What a factory of a real backend gives: the backend, or one line saying why
// it could not be had, ready to print for the operator.
template <class T>
struct OpenResult {
  std::unique_ptr<T> device;  // null when opening failed
  std::string error;          // empty when opening succeeded
};

}  // namespace r7n
