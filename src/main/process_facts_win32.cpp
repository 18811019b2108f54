#include <io.h>
#include <windows.h>

#include <cstdio>

#include "main/process_facts.h"

namespace r7n {

std::string HostName() {
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = sizeof name;
  if (!::GetComputerNameA(name, &size)) return {};
  return std::string(name, size);
}

bool StderrIsTerminal() {
  return ::_isatty(::_fileno(stderr)) != 0;
}

long ProcessId() {
  return static_cast<long>(::GetCurrentProcessId());
}

}  // namespace r7n
