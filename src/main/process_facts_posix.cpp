#include <unistd.h>

#include <climits>

#include "main/process_facts.h"

namespace r7n {

std::string HostName() {
  char name[HOST_NAME_MAX + 1] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

bool StderrIsTerminal() {
  return ::isatty(STDERR_FILENO) == 1;
}

long ProcessId() {
  return static_cast<long>(::getpid());
}

}  // namespace r7n
