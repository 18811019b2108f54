#pragma once

#include <string>

namespace r7n {

// What the verbs say about the process they run in.
std::string HostName();
bool StderrIsTerminal();
long ProcessId();

}  // namespace r7n
