#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "module/address_survey.h"

namespace r7n {

// What a verb found, to be printed for a person or a program.
struct VerbResult {
  std::string verb;  // as given: survey, setup, version, logout
  std::string host;  // the machine's name, so that reports of many chassis can be merged
  SurveyMode mode = SurveyMode::kView;
  std::vector<ModuleReport> modules;  // survey, setup, logout
  // version: the controller's base unit (0 or 1), its reply's lines, and
  // whether it gave one.
  int unit_index = 0;
  std::vector<std::string> reply;
  bool answered = false;
};

// One line per module as V and S show them; for logout, whether it went;
// for version, the reply's lines.
std::string VerbText(const VerbResult& result);

// One JSON document, ending in a newline.
std::string VerbJson(const VerbResult& result);

// A JSON string literal of text (quotes, backslashes and control characters
// escaped; other bytes as they are).
std::string JsonString(std::string_view text);

// 0 when every present module (or the controller) did what was asked, else 1.
int VerbExitStatus(const VerbResult& result);

}  // namespace r7n
