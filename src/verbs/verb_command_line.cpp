#include "verbs/verb_command_line.h"

#include <array>
#include <optional>

namespace r7n {
namespace {

struct NamedVerb {
  std::string_view name;
  Verb verb;
};

constexpr std::array<NamedVerb, 4> kVerbs{{
    {"survey", Verb::kSurvey},
    {"setup", Verb::kSetup},
    {"version", Verb::kVersion},
    {"logout", Verb::kLogout},
}};

std::optional<Verb> FindVerb(std::string_view word) {
  for (const NamedVerb& entry : kVerbs) {
    if (entry.name == word) return entry.verb;
  }
  return std::nullopt;
}

VerbCommandLine Error(std::string text) {
  return {VerbCommandLine::Kind::kError, {}, std::move(text)};
}

bool TakesUnit(Verb verb) {
  return verb == Verb::kVersion || verb == Verb::kLogout;
}

// Reads the value of --unit or --module into request; the error, if any.
std::optional<std::string> StoreValue(std::string_view name, std::string_view value,
                                      VerbRequest& request) {
  if (name == "--unit") {
    if (value != "1" && value != "2")
      return "--unit takes 1 or 2, not '" + std::string(value) + "'";
    request.unit = value[0] - '0';
    return std::nullopt;
  }
  if (value.size() != 1 || ((value[0] & ~0x20) < 'A' || (value[0] & ~0x20) > 'D')) {
    return "--module takes A, B, C or D, not '" + std::string(value) + "'";
  }
  request.channel = (value[0] & ~0x20) - 'A' + 1;
  return std::nullopt;
}

}  // namespace

std::string_view VerbName(Verb verb) {
  for (const NamedVerb& entry : kVerbs) {
    if (entry.verb == verb) return entry.name;
  }
  return "?";
}

VerbCommandLine ParseVerbCommandLine(const std::vector<std::string>& args) {
  if (args.empty()) return Error("no verb given");
  const std::optional<Verb> verb = FindVerb(args[0]);
  if (!verb) return Error("unknown verb '" + args[0] + "'");
  VerbCommandLine line;
  line.request.verb = *verb;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    const std::size_t equals = arg.find('=');
    const std::string_view name = arg.substr(0, equals);
    if (name == "--help" || name == "-h") return {VerbCommandLine::Kind::kHelp, {}, {}};
    if (name == "--json" && equals == std::string_view::npos) {
      line.request.json = true;
    } else if (name == "--stay-logged-in" && equals == std::string_view::npos &&
               (*verb == Verb::kSurvey || *verb == Verb::kSetup)) {
      line.request.stay_logged_in = true;
    } else if ((name == "--unit" && TakesUnit(*verb)) ||
               (name == "--module" && *verb == Verb::kLogout)) {
      std::string_view value;
      if (equals != std::string_view::npos) {
        value = arg.substr(equals + 1);
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        return Error("option " + std::string(name) + " needs a value");
      }
      if (auto error = StoreValue(name, value, line.request)) return Error(*error);
    } else {
      return Error("'" + std::string(arg) + "' is not an option of " + args[0]);
    }
  }
  return line;
}

std::string VerbUsage() {
  return "Verbs, for scripts: no terminal needed, nothing drawn; results on standard output,\n"
         "a progress line per module on standard error when it is a terminal:\n"
         "  survey [--json] [--stay-logged-in]  every module's address, as V lists them\n"
         "  setup [--json] [--stay-logged-in]   give every module its set-up address, as S\n"
         "                                      does, and read the file back\n"
         "  version [--json] [--unit N]         the ZCP controller's version reply, as N\n"
         "                                      shows it (base unit N, default 1)\n"
         "  logout [--json] [--unit N] [--module X]  log module X (A-D, default A) of base\n"
         "                                      unit N (default 1) out, as K does\n"
         "  --json            one JSON document instead of lines\n"
         "  --stay-logged-in  leave the modules the verb logged into at their root shell\n"
         "Exit status of a verb: 0 every present module (or the controller) did what was\n"
         "asked, 1 at least one did not, 2 usage, 3 no access to the ports, 4 the chassis is\n"
         "in use by another program.\n";
}

}  // namespace r7n
