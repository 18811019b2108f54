#include "verbs/verb_output.h"

#include <cstdio>

namespace r7n {
namespace {

std::string LogoutLine(const ModuleReport& report) {
  std::string line = " R7N Base #" + std::to_string(report.unit_index + 1) + " Module " +
                     ModuleLetter(report.channel);
  switch (report.status) {
    case ModuleStatus::kOk:
      return line + " - logged out";
    case ModuleStatus::kAbsentUnit:
      return " R7N Base #" + std::to_string(report.unit_index + 1) + " Not Present";
    default:
      return line + " - " + std::string(StatusName(report.status));
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
  if (result.verb == "version") {
    for (const std::string& line : result.reply) out += line + "\n";
    return out;
  }
  for (const ModuleReport& report : result.modules) {
    const std::string line =
        result.verb == "logout" ? LogoutLine(report) : SurveyLine(result.mode, report);
    if (!line.empty()) out += line + "\n";
  }
  return out;
}

std::string VerbJson(const VerbResult& result) {
  std::string out =
      "{\"verb\": " + JsonString(result.verb) + ", \"host\": " + JsonString(result.host);
  if (result.verb == "version") {
    out += ", \"unit\": " + std::to_string(result.unit_index + 1) +
           ", \"status\": " + JsonString(result.answered ? "ok" : "no answer") + ", \"reply\": [";
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
  if (result.verb == "version") return result.answered ? 0 : 1;
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
