#include "platform/posix/terminal_type.h"

namespace r7n {
namespace {

// The type to tell the operator to set: known nearly everywhere, and what
// the terminals that lack a description here are compatible with.
constexpr char kSuggestedType[] = "xterm-256color";

bool IsUnset(const char* term) {
  return term == nullptr || *term == '\0';
}

std::string WhyNotFromSystem(const char* term) {
  if (IsUnset(term)) return "TERM is not set";
  return "the terminal type \"" + std::string(term) + "\" is not known to this system";
}

}  // namespace

TerminalTypeChoice ChooseTerminalType(const char* term, const TerminalLookup& lookup) {
  using Kind = TerminalTypeChoice::Kind;
  if (IsUnset(term)) return {Kind::kBuiltIn, kBuiltInTerminalType};
  const std::string type(term);
  if (const std::optional<bool> addresses_cursor = lookup(type)) {
    return {*addresses_cursor ? Kind::kAsNamed : Kind::kRefused, type};
  }
  if (type == "dumb") return {Kind::kRefused, type};
  return {Kind::kBuiltIn, kBuiltInTerminalType};
}

std::string RefusedTerminalMessage(const std::string& program, const std::string& type) {
  return program + ": the terminal type \"" + type +
         "\" cannot place the cursor, which the console's screens need; run it in a terminal "
         "emulator and set TERM to its type (for example TERM=" +
         kSuggestedType + ")";
}

std::string BuiltInTerminalMessage(const std::string& program, const char* term) {
  return program + ": " + WhyNotFromSystem(term) +
         "; the console used its own description of an xterm-compatible terminal (" +
         kBuiltInTerminalType + "). If the screen looked wrong, set TERM to a type this system " +
         "knows (for example TERM=" + kSuggestedType + ")";
}

std::string MissingBuiltInTerminalMessage(const std::string& program, const char* term,
                                          const std::string& directory) {
  return program + ": " + WhyNotFromSystem(term) + ", and the console's own description (" +
         kBuiltInTerminalType + ") is missing from " + directory +
         "; set TERM to a type this system knows (for example TERM=" + kSuggestedType + ")";
}

}  // namespace r7n
