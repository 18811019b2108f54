#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "module/address_survey.h"
#include "verbs/verb_command_line.h"

namespace r7n {

// What a verb found, to be printed for a person or a program.
struct VerbResult {
  Verb verb = Verb::kSurvey;
  std::string host;  // the machine's name, so that reports of many chassis can be merged
  std::vector<ModuleReport> modules;  // survey, setup, logout
  // version: the controller's base unit (0 or 1) and its reply's lines, none
  // when it did not answer.
  int unit_index = 0;
  std::vector<std::string> reply;
};

// What a survey verb does: V's reading or S's set-up.
SurveyMode ModeOf(Verb verb);

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
