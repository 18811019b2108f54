#include "main/verb_main.h"

#include <cstdio>

#include "main/executable_dir.h"
#include "main/process_facts.h"
#include "platform/port_guard.h"
#include "platform/refusal_report.h"
#include "verbs/verb_runner.h"

namespace r7n {

ParsedVerb ReadVerb(const char* argv0, const std::vector<std::string>& args) {
  const VerbCommandLine line = ParseVerbCommandLine(args);
  if (line.kind == VerbCommandLine::Kind::kRun) return {line.request, 0};
  if (line.kind == VerbCommandLine::Kind::kHelp) {
    std::fputs(VerbUsage().c_str(), stdout);
    return {std::nullopt, 0};
  }
  const std::string program = ProgramName(argv0);
  std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", program.c_str(), line.error.c_str(),
               program.c_str());
  return {std::nullopt, 2};
}

int RunVerbOnPorts(PortIo& ports, Clock& clock, const char* argv0, const VerbRequest& request) {
  PortGuard guard(ports);
  VerbServices services{guard, clock, ExecutableDir(argv0), ProgramName(argv0), HostName()};
  services.progress = StderrIsTerminal();
  const int status = RunVerb(request, services);
  ReportRefusals(guard, ProgramName(argv0), stderr);
  return status;
}

}  // namespace r7n
