#include "platform/posix/terminal_type.h"

#include <gtest/gtest.h>

namespace r7n {
namespace {

// A system that knows xterm and vt100 (both place the cursor) and dumb (not).
std::optional<bool> SmallDatabase(const std::string& type) {
  if (type == "xterm" || type == "vt100") return true;
  if (type == "dumb") return false;
  return std::nullopt;
}

TEST(ChooseTerminalType, OwnDescriptionOnlyForUnknownTypesAndRefusalOnlyWithoutCursor) {
  using Kind = TerminalTypeChoice::Kind;
  struct Case {
    const char* term;
    bool system_knows_dumb;
    Kind kind;
    std::string type;
  };
  const Case cases[] = {
      {"xterm", true, Kind::kAsNamed, "xterm"},
      {"vt100", true, Kind::kAsNamed, "vt100"},
      {"foot", true, Kind::kBuiltIn, kBuiltInTerminalType},
      {"xterm-kitty", true, Kind::kBuiltIn, kBuiltInTerminalType},
      {nullptr, true, Kind::kBuiltIn, kBuiltInTerminalType},
      {"", true, Kind::kBuiltIn, kBuiltInTerminalType},
      {"dumb", true, Kind::kRefused, "dumb"},
      {"dumb", false, Kind::kRefused, "dumb"},
  };
  for (const Case& c : cases) {
    const TerminalLookup lookup = [&c](const std::string& type) -> std::optional<bool> {
      if (type == "dumb" && !c.system_knows_dumb) return std::nullopt;
      return SmallDatabase(type);
    };
    const TerminalTypeChoice choice = ChooseTerminalType(c.term, lookup);
    const std::string term = c.term == nullptr ? "(unset)" : c.term;
    EXPECT_EQ(choice.kind, c.kind) << term;
    EXPECT_EQ(choice.type, c.type) << term;
  }
}

}  // namespace
}  // namespace r7n
