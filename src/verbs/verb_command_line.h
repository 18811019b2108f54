#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace r7n {

// What a script asks of the chassis, instead of the menu.
enum class Verb { kSurvey, kSetup, kVersion, kLogout };

struct VerbRequest {
  Verb verb = Verb::kSurvey;
  bool json = false;
  bool stay_logged_in = false;
  int unit = 1;     // version and logout: base unit 1 or 2
  int channel = 1;  // logout: module A-D as 1-4
};

struct VerbCommandLine {
  enum class Kind { kRun, kHelp, kError };
  Kind kind = Kind::kRun;
  VerbRequest request;
  std::string error;  // for kError: one line that names what was wrong
};

// The word that names a verb on the command line and in the JSON output.
std::string_view VerbName(Verb verb);

// Reads a verb and its options: args[0] is the verb.
VerbCommandLine ParseVerbCommandLine(const std::vector<std::string>& args);

// The verbs' part of a program's --help, ending in a newline.
std::string VerbUsage();

}  // namespace r7n
