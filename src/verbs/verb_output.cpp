#include "verbs/verb_output.h"

#include <cstdio>

namespace r7n {
namespace {

std::string LogoutLine(const ModuleReport& report) {
  switch (report.status) {
    case ModuleStatus::kOk:
      return ModuleLinePrefix(report) + " - logged out";
    case ModuleStatus::kAbsentUnit:
      return SurveyLine(SurveyMode::kView, report);
    default:
      return ModuleLinePrefix(report) + " - " + std::string(StatusName(report.status));
  }
}

// A string, or null when empty.
std::string JsonOptional(std::string_view text) {
  return text.empty() ? "null" : JsonString(text);
}

std::string ModuleJson(const ModuleReport& report) {
  return std::string("{\"unit\": ") + std::to_string(report.unit_index + 1) + ", \"module\": \"" +
         ModuleLetter(report.channel) + "\", \"status\": " + JsonString(StatusName(report.status)) +
         ", \"address\": " + JsonOptional(report.address) +
         ", \"variant\": " + JsonOptional(VariantName(report.variant)) + "}";
}

}  // namespace

SurveyMode ModeOf(Verb verb) {
  return verb == Verb::kSetup ? SurveyMode::kSet : SurveyMode::kView;
}

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20 || byte == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string VerbText(const VerbResult& result) {
  std::string out;
  if (result.verb == Verb::kVersion) {
    for (const std::string& line : result.reply) out += line + "\n";
    return out;
  }
  for (const ModuleReport& report : result.modules) {
    const std::string line =
        result.verb == Verb::kLogout ? LogoutLine(report) : SurveyLine(ModeOf(result.verb), report);
    if (!line.empty()) out += line + "\n";
  }
  return out;
}

std::string VerbJson(const VerbResult& result) {
  std::string out =
      "{\"verb\": " + JsonString(VerbName(result.verb)) + ", \"host\": " + JsonString(result.host);
  if (result.verb == Verb::kVersion) {
    out += ", \"unit\": " + std::to_string(result.unit_index + 1) +
           ", \"status\": " + JsonString(result.reply.empty() ? "no answer" : "ok") +
           ", \"reply\": [";
    for (std::size_t i = 0; i < result.reply.size(); ++i) {
      out += (i == 0 ? "" : ", ") + JsonString(result.reply[i]);
    }
    return out + "]}\n";
  }
  out += ", \"modules\": [";
  for (std::size_t i = 0; i < result.modules.size(); ++i) {
    out += (i == 0 ? "\n  " : ",\n  ") + ModuleJson(result.modules[i]);
  }
  return out + "\n]}\n";
}

int VerbExitStatus(const VerbResult& result) {
  if (result.verb == Verb::kVersion) return result.reply.empty() ? 1 : 0;
  for (const ModuleReport& report : result.modules) {
    switch (report.status) {
      case ModuleStatus::kOk:
      case ModuleStatus::kAbsentUnit:
      case ModuleStatus::kNotLoggedIn:
        break;
      default:
        return 1;
    }
  }
  return 0;
}

}  // namespace r7n
