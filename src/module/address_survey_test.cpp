#include "module/address_survey.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "testing/program_harness.h"
#include "testing/scripted_far_end.h"

namespace r7n {
namespace {

using sim::ModuleKind;
using testing::HarnessOptions;
using testing::ProgramHarness;

// Runs one menu key and captures the screen while its "Press any key" waits.
std::vector<std::string> ScreenOf(ProgramHarness& h, const KeyCode& key, std::int64_t at_ms,
                                  std::int64_t shown_ms) {
  std::vector<std::string> rows;
  h.KeyAt(at_ms, key);
  h.ProbeAt(shown_ms, [&h, &rows] {
    for (int row = 1; row <= 14; ++row) rows.push_back(h.Row(row));
  });
  h.KeyAt(shown_ms + 100, "x");
  return rows;
}

TEST(AddressSurvey, SetThenViewGivesEveryModuleItsPlannedAddress) {
  ProgramHarness h;
  std::vector<std::string> set_rows, view_rows;
  h.KeyAt(100, "s");
  h.ProbeAt(30'000, [&] {
    for (int row = 1; row <= 14; ++row) set_rows.push_back(h.Row(row));
  });
  h.KeyAt(30'100, "x");
  h.KeyAt(31'000, "v");
  h.ProbeAt(60'000, [&] {
    for (int row = 1; row <= 14; ++row) view_rows.push_back(h.Row(row));
  });
  h.KeyAt(60'100, "x");
  h.KeyAt(61'000, "q");
  EXPECT_EQ(h.Run().exit_status, 0);

  std::vector<std::string> expected_set{"Setup IP address", ""};
  std::vector<std::string> expected_view{"Read IP address settings", ""};
  for (int unit = 1; unit <= 2; ++unit) {
    for (int slot = 0; slot < 4; ++slot) {
      const std::string address = "192.168.127." + std::to_string(128 + 4 * (unit - 1) + slot + 1);
      const std::string line = " R7N Base #" + std::to_string(unit) + " Module " +
                               static_cast<char>('A' + slot) + " - IP Address: " + address;
      expected_set.push_back(line);
      expected_view.push_back(line);
      EXPECT_EQ(*h.Chassis().MutableBase(unit).Module(slot)->File("/etc/network/interfaces"),
                "auto lo\niface lo inet loopback\niface eth0 inet static\naddress " + address +
                    "\nnetmask 255.255.255.0\nmtu 9000\n\n");
    }
  }
  for (const char* tail : {"", "Press any key to continue", "", ""}) {
    expected_set.push_back(tail);
    expected_view.push_back(tail);
  }
  EXPECT_EQ(set_rows, expected_set);
  EXPECT_EQ(view_rows, expected_view);
  EXPECT_EQ(h.Chassis().Base(1).SelectedDevice(), sim::Device::kModuleD) << "left on module D";
  EXPECT_EQ(h.Chassis().Base(2).SelectedDevice(), sim::Device::kZcp);
}

// A module's file as a distribution lays it out: comments, stanzas, indented
// settings, and the address line wherever filler puts it.
std::string DistributionInterfaces(std::size_t filler_bytes, bool with_address = true) {
  std::string file = "# This file describes the network interfaces available on your system\n";
  while (file.size() < filler_bytes) file += "# and how to activate them. See interfaces(5).\n";
  file += "source /etc/network/interfaces.d/*\n\nauto lo\niface lo inet loopback\n\n";
  file += "auto eth0\niface eth0 inet static\n";
  if (with_address) file += "        address 10.20.30.40/24\n";
  return file + "        gateway 10.20.30.1\n        dns-nameservers 10.20.30.1\n";
}

struct LongFileCase {
  const char* name;
  std::size_t filler_bytes;  // before the address line
  int rx_fifo;
  const char* result;  // after "Module A"
  friend void PrintTo(const LongFileCase& c, std::ostream* os) { *os << c.name; }
};

class LongInterfacesFileTest : public ::testing::TestWithParam<LongFileCase> {};

TEST_P(LongInterfacesFileTest, ViewFindsTheAddressLine) {
  const LongFileCase& c = GetParam();
  HarnessOptions options;
  options.chassis.base1.modules = {ModuleKind::kR7n, ModuleKind::kSilent, ModuleKind::kSilent,
                                   ModuleKind::kSilent};
  options.chassis.base2.fitted = false;
  options.chassis.rx_fifo_depth = c.rx_fifo;
  options.chassis.interfaces_file = DistributionInterfaces(c.filler_bytes);
  ProgramHarness h(options);
  const std::vector<std::string> rows = ScreenOf(h, "v", 100, 20'000);
  h.KeyAt(21'000, "q");
  h.Run();
  ASSERT_GE(rows.size(), 3u);
  EXPECT_EQ(rows[2], std::string(" R7N Base #1 Module A") + c.result);
}

// The reply starts with the echo of the command (30 bytes), and the module's
// terminal turns each line end of the file into CR LF.
INSTANTIATE_TEST_SUITE_P(
    Layouts, LongInterfacesFileTest,
    ::testing::Values(
        LongFileCase{"address_line_ends_240_bytes_in", 0, 128, " - IP Address: 10.20.30.40/24"},
        LongFileCase{"same_with_a_deep_fifo", 0, 4096, " - IP Address: 10.20.30.40/24"},
        LongFileCase{"address_line_ends_before_byte_1000", 750, 128,
                     " - IP Address: 10.20.30.40/24"},
        // Read up to the prompt, not cut at 1000 bytes.
        LongFileCase{"address_line_beyond_byte_1000", 1100, 128, " - IP Address: 10.20.30.40/24"}),
    [](const ::testing::TestParamInfo<LongFileCase>& param) { return param.param.name; });

struct AbsentCase {
  const char* name;
  bool base1, base2;
  std::vector<std::string> lines;  // rows 3 on
  friend void PrintTo(const AbsentCase& c, std::ostream* os) { *os << c.name; }
};

class AbsentBaseUnitTest : public ::testing::TestWithParam<AbsentCase> {};

TEST_P(AbsentBaseUnitTest, IsReportedNotPresent) {
  HarnessOptions options;
  options.chassis.base1.fitted = GetParam().base1;
  options.chassis.base2.fitted = GetParam().base2;
  ProgramHarness h(options);
  const auto rows = ScreenOf(h, "V", 100, 20'000);
  h.KeyAt(21'000, "q");
  h.Run();
  std::vector<std::string> lines(rows.begin() + 2,
                                 rows.begin() + 2 + static_cast<long>(GetParam().lines.size()));
  EXPECT_EQ(lines, GetParam().lines);
}

std::vector<std::string> UnitLines(int unit) {
  std::vector<std::string> lines;
  for (int slot = 0; slot < 4; ++slot) {
    lines.push_back(" R7N Base #" + std::to_string(unit) + " Module " +
                    static_cast<char>('A' + slot) + " - IP Address: 192.168.0." +
                    std::to_string(10 * unit + slot + 1));
  }
  return lines;
}

std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

INSTANTIATE_TEST_SUITE_P(
    Chassis, AbsentBaseUnitTest,
    ::testing::Values(AbsentCase{"no base unit",
                                 false,
                                 false,
                                 {" R7N Base #1 Not Present", " R7N Base #2 Not Present", "",
                                  "Press any key to continue"}},
                      AbsentCase{"base unit 2 absent", true, false,
                                 Join(UnitLines(1), {" R7N Base #2 Not Present", ""})},
                      AbsentCase{"base unit 1 absent", false, true,
                                 Join({" R7N Base #1 Not Present"}, UnitLines(2))}));

struct FailureCase {
  const char* name;
  ModuleKind kind;
  KeyCode key;
  std::string line;
  friend void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }
};

class ModuleFailureTest : public ::testing::TestWithParam<FailureCase> {};

TEST_P(ModuleFailureTest, ShowsInTheModulesLine) {
  HarnessOptions options;
  options.chassis.base1.modules[1] = GetParam().kind;
  options.chassis.base2.fitted = false;
  ProgramHarness h(options);
  const auto rows = ScreenOf(h, GetParam().key, 100, 30'000);
  h.KeyAt(31'000, "q");
  h.Run();
  EXPECT_EQ(rows[3], GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(
    Modules, ModuleFailureTest,
    ::testing::Values(FailureCase{"silent module, survey", ModuleKind::kSilent, "V",
                                  " R7N Base #1 Module B - IP Address not available"},
                      FailureCase{"silent module, set-up", ModuleKind::kSilent, "S",
                                  " R7N Base #1 Module B - IP Address not init"},
                      FailureCase{"no address line, survey", ModuleKind::kR7nNoAddress, "V",
                                  " R7N Base #1 Module B - IP Address not available"},
                      FailureCase{"no address line, set-up still sets", ModuleKind::kR7nNoAddress,
                                  "S", " R7N Base #1 Module B - IP Address: 192.168.127.130"}));

TEST(AddressSurvey, ASilentModuleCostsItsSixLoginAttempts) {
  auto duration = [](ModuleKind kind) {
    HarnessOptions options;
    options.chassis.base1.modules[1] = kind;
    options.chassis.base2.fitted = false;
    ProgramHarness h(options);
    std::int64_t prompt_at = 0;
    h.KeyAt(100, "V");
    h.KeyAt(30'000, "x");
    h.KeyAt(31'000, "q");
    h.Run();
    // The last port access of the survey is base unit 2's channel programming.
    for (const auto& access : h.Recorder().Trace()) {
      if (access.write && access.port == 0x313 && access.value == 0x33) prompt_at = access.time_us;
    }
    return prompt_at;
  };
  const std::int64_t extra = duration(ModuleKind::kSilent) - duration(ModuleKind::kR7n);
  // A silent module costs six checks, an empty line and six user names that
  // nothing answers, 2.38 s; an answering one a check, one login and the
  // read, about 0.46 s.
  EXPECT_GT(extra, 1'850'000);
  EXPECT_LT(extra, 1'990'000);
}

TEST(AddressSurvey, ASetUpThatDoesNotReadBackIsNotInit) {
  // A shell that takes the write without a word, but whose file stays as it was.
  const std::string prompt = "\r\nroot@kt20r-r7n:~# ";
  const testing::ConsoleScript script{
      {{"\x03", {{0, "^C" + prompt}}},
       {"> /etc/network/interfaces\r", {{0, prompt}}},
       {"cat /etc/network/interfaces \r",
        {{0, "cat /etc/network/interfaces \r\nauto eth0\r\niface eth0 inet dhcp\r\n" + prompt}}}}};
  testing::FarEndRecord record;
  HarnessOptions options;
  options.chassis = testing::ScriptedModuleChassis(script, record);
  ProgramHarness h(options);
  const auto rows = ScreenOf(h, "S", 100, 30'000);
  h.KeyAt(31'000, "q");
  h.Run();
  EXPECT_EQ(rows[2], " R7N Base #1 Module A - IP Address not init");
  EXPECT_NE(record.received.find("address 192.168.127.129"), std::string::npos) << "it was sent";
}

}  // namespace
}  // namespace r7n
