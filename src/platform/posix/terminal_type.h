#pragma once

#include <functional>
#include <optional>
#include <string>

namespace r7n {

// The console's own terminal description, shipped in a terminfo directory
// beside the programs, for terminals this system has no description of.
inline constexpr char kBuiltInTerminalType[] = "r7n-xterm";

// What the system's terminal database says of a type: nothing when it has no
// description of it, else whether the description can address the cursor.
using TerminalLookup = std::function<std::optional<bool>(const std::string& type)>;

struct TerminalTypeChoice {
  enum class Kind {
    kAsNamed,  // the description of TERM, from the system
    kBuiltIn,  // TERM is unset or unknown here: the console's own description
    kRefused,  // the terminal cannot address the cursor
  };
  Kind kind = Kind::kAsNamed;
  std::string type;  // the description to open (for kRefused, TERM)
};

// Which description to draw with, given TERM (null when unset). A terminal
// that says it cannot address the cursor is believed, even where the system
// does not know it: drawing the screen on one row helps nobody.
TerminalTypeChoice ChooseTerminalType(const char* term, const TerminalLookup& lookup);

// The operator's messages, each one line naming the program.
std::string RefusedTerminalMessage(const std::string& program, const std::string& type);
std::string BuiltInTerminalMessage(const std::string& program, const char* term);
std::string MissingBuiltInTerminalMessage(const std::string& program, const char* term,
                                          const std::string& directory);

}  // namespace r7n
