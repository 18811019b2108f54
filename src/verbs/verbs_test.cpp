#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <ostream>
#include <regex>
#include <string>
#include <vector>

#include "testing/chassis_rig.h"
#include "testing/program_harness.h"
#include "testing/temp_dir.h"
#include "verbs/verb_output.h"
#include "verbs/verb_runner.h"

namespace r7n {
namespace {

using sim::ModuleKind;
using testing::HarnessOptions;
using testing::ProgramHarness;

// What the menu's key shows: the result lines, from row 3 to the blank row
// before "Press any key to continue".
std::vector<std::string> MenuLines(const sim::ChassisConfig& config, const char* key) {
  HarnessOptions options;
  options.chassis = config;
  ProgramHarness h(options);
  std::vector<std::string> lines;
  h.KeyAt(100, key);
  h.ProbeAt(60'000, [&] {
    for (int row = 3; !h.Row(row).empty(); ++row) lines.push_back(h.Row(row));
  });
  h.KeyAt(60'100, "x");
  h.KeyAt(61'000, "q");
  h.Run();
  return lines;
}

struct VerbRun {
  std::string out, err;
  int status = -1;
  std::vector<bool> at_shell;  // every module of both units afterwards
};

std::string ReadAll(std::FILE* file) {
  std::string text;
  std::rewind(file);
  for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) text += static_cast<char>(c);
  std::fclose(file);
  return text;
}

VerbRun RunOnSimulator(const sim::ChassisConfig& config, VerbRequest request) {
  testing::ChassisRig rig(config);
  testing::TempDir dir;
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  VerbServices services{rig.bus_cost, rig.clock, dir.Path(), "r7n_uart", "bench", out, err};
  VerbRun run;
  const std::filesystem::path start_dir = std::filesystem::current_path();
  run.status = RunVerb(request, services);  // in the program's directory, as the menu
  std::filesystem::current_path(start_dir);
  run.out = ReadAll(out);
  run.err = ReadAll(err);
  for (int unit = 1; unit <= 2; ++unit) {
    for (int slot = 0; slot < 4; ++slot) {
      const sim::ModuleConsole* module = rig.chassis.MutableBase(unit).Module(slot);
      run.at_shell.push_back(module != nullptr && module->AtShell());
    }
  }
  return run;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos;
       start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

// The menu's line that a JSON record stands for.
std::string LineOfRecord(const std::smatch& record, bool set_up) {
  const std::string unit = " R7N Base #" + record[1].str();
  if (record[3] == "absent unit") return record[2] == "A" ? unit + " Not Present" : "";
  const std::string module = unit + " Module " + record[2].str();
  if (record[3] == "ok") return module + " - IP Address: " + record[4].str();
  EXPECT_EQ(record[4], "null") << "an address only with ok";
  return module + (set_up ? " - IP Address not init" : " - IP Address not available");
}

struct LayoutCase {
  const char* name;
  sim::ChassisConfig config;
  const char* key;
  int status;
  friend void PrintTo(const LayoutCase& c, std::ostream* os) { *os << c.name; }
};

sim::ChassisConfig Mixed() {
  sim::ChassisConfig config;
  config.base1.modules = {ModuleKind::kR7n, ModuleKind::kSilent, ModuleKind::kR7nNoAddress,
                          ModuleKind::kTr7n};
  config.base2.fitted = false;
  return config;
}

class VerbLayoutTest : public ::testing::TestWithParam<LayoutCase> {};

// The verb's lines and JSON records say what the menu's V or S shows for the
// same chassis, and every module it logged into is logged out again.
TEST_P(VerbLayoutTest, TellsWhatTheMenuShows) {
  const LayoutCase& c = GetParam();
  const bool set_up = std::string(c.key) == "S";
  const std::vector<std::string> menu = MenuLines(c.config, c.key);

  VerbRequest request;
  request.verb = set_up ? Verb::kSetup : Verb::kSurvey;
  const VerbRun text = RunOnSimulator(c.config, request);
  EXPECT_EQ(Lines(text.out), menu);
  EXPECT_EQ(text.status, c.status);
  EXPECT_EQ(text.at_shell, std::vector<bool>(8, false));

  request.json = true;
  const VerbRun json = RunOnSimulator(c.config, request);
  EXPECT_EQ(json.status, c.status);
  const std::regex record(
      R"re(\{"unit": (\d), "module": "([A-D])", "status": "([a-z ]+)", "address": "?([^",]*)"?, )re"
      R"re("variant": [^}]*\})re");
  std::vector<std::string> from_json;
  for (auto it = std::sregex_iterator(json.out.begin(), json.out.end(), record);
       it != std::sregex_iterator(); ++it) {
    if (const std::string line = LineOfRecord(*it, set_up); !line.empty()) {
      from_json.push_back(line);
    }
  }
  EXPECT_EQ(from_json, menu) << json.out;
  EXPECT_EQ(std::distance(std::sregex_iterator(json.out.begin(), json.out.end(), record),
                          std::sregex_iterator()),
            8);
}

INSTANTIATE_TEST_SUITE_P(Chassis, VerbLayoutTest,
                         ::testing::Values(LayoutCase{"default survey", {}, "V", 0},
                                           LayoutCase{"default set-up", {}, "S", 0},
                                           LayoutCase{"silent, no address, Tr7N, absent unit",
                                                      Mixed(), "V", 1},
                                           LayoutCase{"the same, set-up", Mixed(), "S", 1}));

TEST(Verbs, StayLoggedInKeepsTheShellsAndLogoutLeavesOne) {
  VerbRequest request;
  request.stay_logged_in = true;
  sim::ChassisConfig config;
  config.base2.fitted = false;
  const VerbRun survey = RunOnSimulator(config, request);
  EXPECT_EQ(survey.at_shell,
            (std::vector<bool>{true, true, true, true, false, false, false, false}));

  request = VerbRequest{Verb::kLogout, true, false, 1, 2};
  const VerbRun logout = RunOnSimulator(config, request);
  EXPECT_EQ(logout.status, 0);
  EXPECT_NE(logout.out.find(R"("module": "B", "status": "not logged in")"), std::string::npos)
      << logout.out;
}

TEST(Verbs, VersionIsTheControllersReply) {
  VerbRequest request{Verb::kVersion, true, false, 2, 1};
  const VerbRun run = RunOnSimulator({}, request);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out,
            "{\"verb\": \"version\", \"host\": \"bench\", \"unit\": 2, \"status\": \"ok\", "
            "\"reply\": [\"ZCP controller firmware V2.31 (R7N)\"]}\n");
}

}  // namespace
}  // namespace r7n
