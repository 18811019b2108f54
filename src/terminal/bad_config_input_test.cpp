// R7n_Uart.cfg as it may be found on a service PC: with NUL bytes, foreign
// line ends, huge lines, numbers out of every range, mistyped keywords, or
// not a readable file at all. Each problem the operator must hear of is shown
// once, with its text, and everything valid around it is still taken.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <ostream>
#include <string>
#include <system_error>
#include <vector>

#include "console/console_uart_host.h"
#include "platform/virtual_clock.h"
#include "terminal/config_file.h"
#include "testing/file_modes.h"
#include "testing/headless_console.h"
#include "testing/temp_dir.h"

namespace r7n {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

constexpr std::int64_t kUsPerMs = 1000;
constexpr std::int64_t kAnswerEveryMs = 100;
constexpr int kErrorRow = 24;
constexpr std::size_t kShownChars = 77;  // columns 3 to 79 of the message line

// The reader only sets a rate; no port is touched.
class NoPorts : public PortIo {
 public:
  void Out(std::uint16_t /*port*/, std::uint8_t /*value*/) override {}
  std::uint8_t In(std::uint16_t /*port*/) override { return 0xFF; }
};

// Everything a start-up read leaves behind, in a form that compares whole.
struct Result {
  std::map<int, Lines> macros;  // the counted lines of every defined macro
  Lines help;
  std::int32_t baud_rate = kDefaultBaudRate;
  Lines messages;  // as far as the message line shows them
  friend bool operator==(const Result&, const Result&) = default;
  friend void PrintTo(const Result& r, std::ostream* os) {
    *os << "baud " << r.baud_rate << "; macros";
    for (const auto& [macro, lines] : r.macros) {
      *os << " " << macro << ":" << ::testing::PrintToString(lines);
    }
    *os << "; help " << ::testing::PrintToString(r.help) << "; messages "
        << ::testing::PrintToString(r.messages);
  }
};

// What the message line shows of a message: its first 77 characters, without
// the strip's trailing spaces.
std::string AsShown(std::string text) {
  text.resize(std::min(text.size(), kShownChars));
  return text.erase(text.find_last_not_of(' ') + 1);
}

Lines AsShown(Lines messages) {
  for (std::string& m : messages) m = AsShown(m);
  return messages;
}

// CfgRead on a file in a fresh program directory, with an operator who
// answers every message.
class ConfigRig {
 public:
  ConfigRig() : start_dir_(fs::current_path()) { clock_.SetLimitUs(600'000 * kUsPerMs); }
  ~ConfigRig() {
    std::error_code ignored;
    fs::current_path(start_dir_, ignored);
  }

  fs::path ConfigPath() const { return dir_.Path() / kConfigFileName; }
  void Write(std::string_view bytes) const {
    std::ofstream out(ConfigPath(), std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }

  Result Read(int answers = 8) {
    Result result;
    for (int k = 0; k < answers; ++k) {
      const std::int64_t at_ms = (k + 1) * kAnswerEveryMs;
      device_.ScheduleProbe((at_ms - kAnswerEveryMs / 2) * kUsPerMs,
                            [this, &result] { Look(result.messages); });
      device_.ScheduleKey(at_ms * kUsPerMs, "\r");
    }
    CfgRead(helpers_, tables_, link_, dir_.Path());
    for (int macro = 1; macro <= ConfigTables::kMacroCount; ++macro) {
      for (int line = 1; line <= tables_.MacroCnt(macro); ++line) {
        result.macros[macro].push_back(tables_.MacroLine(macro, line));
      }
    }
    for (int line = 1; line <= tables_.HelpCnt(); ++line) {
      result.help.push_back(tables_.HelpLine(line));
    }
    result.baud_rate = link_.BaudRate();
    return result;
  }

  ConfigTables& Tables() { return tables_; }

 private:
  void Look(Lines& messages) const {
    const ScreenImage& image = device_.Shown();
    if (image.At(kErrorRow, 2).bg != ScreenHelpers::kErrorBg) return;
    std::string text;
    for (int col = 3; col <= 79; ++col) text += static_cast<char>(image.At(kErrorRow, col).ch);
    messages.push_back(AsShown(text));
  }

  VirtualClock clock_;
  testing::HeadlessConsole device_{clock_};
  Console con_{device_, clock_};
  ScreenHelpers helpers_{con_};
  NoPorts ports_;
  ConsoleUartHost host_{con_, helpers_};
  UartLink link_{ports_, host_};
  ConfigTables tables_;
  testing::TempDir dir_;
  fs::path start_dir_;
};

std::string Nul(std::size_t count = 1) {
  return std::string(count, '\0');
}

struct FileCase {
  std::string name;
  std::string bytes;
  Result expected;  // messages in full; only their shown part is compared
  friend void PrintTo(const FileCase& c, std::ostream* os) { *os << c.name; }
};

class BadConfigFileTest : public ::testing::TestWithParam<FileCase> {};

TEST_P(BadConfigFileTest, ReportsEachProblemAndKeepsTheRest) {
  ConfigRig rig;
  rig.Write(GetParam().bytes);
  Result expected = GetParam().expected;
  expected.messages = AsShown(expected.messages);
  EXPECT_EQ(rig.Read(), expected);
}

template <class Case>
std::string CaseName(const ::testing::TestParamInfo<Case>& param_info) {
  return param_info.param.name;
}

const std::string kMegabyte(1024 * 1024, 'z');
const std::string kMegabyteOfNines(1024 * 1024, '9');

INSTANTIATE_TEST_SUITE_P(
    NulBytes, BadConfigFileTest,
    ::testing::Values(
        FileCase{"InAMacroLineTheyAreKept",
                 "#F1 a" + Nul() + "b\n#F2 after\n",
                 {{{1, {"a" + Nul() + "b"}}, {2, {"after"}}}, {}, kDefaultBaudRate, {}}},
        FileCase{
            "InAKeywordMakeItUnknown",
            "#HE" + Nul() + "LP x\nlost\n#F2 after\n",
            {{{2, {"after"}}}, {}, kDefaultBaudRate, {"Non Valid Command: #HE" + Nul() + "LP x"}}},
        FileCase{"AsTheRateAreNoNumber",
                 "#COMMODE " + Nul(3) + "9600\n#COMMODE 19200\n",
                 {{}, {}, 19200, {"Non Valid Command: #COMMODE " + Nul(3) + "9600"}}},
        FileCase{"ZeroedFileIsOneRefusedLine",
                 Nul(4096),
                 {{}, {}, kDefaultBaudRate, {"Non Valid Command: " + Nul(4096)}}}),
    CaseName<FileCase>);

INSTANTIATE_TEST_SUITE_P(LineEnds, BadConfigFileTest,
                         ::testing::Values(
                             // Only LF ends a line, so a file with CR alone is one long line.
                             FileCase{
                                 "CrOnlyFileIsOneLine",
                                 "#F1 root\r#F2 ls\r#HELP h\r",
                                 {{{1, {"root\r#F2 ls\r#HELP h\r"}}}, {}, kDefaultBaudRate, {}}},
                             FileCase{"CrOnlyFileStartingWithACommentIsAllComment",
                                      "' service macros\r#F1 root\r#XYZ\r",
                                      {{}, {}, kDefaultBaudRate, {}}},
                             FileCase{"CrOnlyLinesAfterCrLfLines",
                                      "#F1 root\r\n#HELP a\rb\r\n",
                                      {{{1, {"root"}}}, {"a\rb"}, kDefaultBaudRate, {}}}),
                         CaseName<FileCase>);

INSTANTIATE_TEST_SUITE_P(
    HugeLines, BadConfigFileTest,
    ::testing::Values(
        FileCase{"MegabyteMacroLineIsStoredWhole",
                 "#F1 before\n#F3 " + kMegabyte + "\n#F2 after\n",
                 {{{1, {"before"}}, {2, {"after"}}, {3, {kMegabyte}}}, {}, kDefaultBaudRate, {}}},
        FileCase{"MegabyteUnknownKeywordIsShownCut",
                 "#" + kMegabyte + "\nlost\n#HELP after\n",
                 {{}, {"after"}, kDefaultBaudRate, {"Non Valid Command: #" + kMegabyte}}},
        FileCase{"MegabyteNumberIsOutOfRange",
                 "#COMMODE " + kMegabyteOfNines + "\n#COMMODE 38400\n",
                 {{}, {}, 38400, {"Non Valid Command: #COMMODE " + kMegabyteOfNines}}},
        FileCase{"MegabyteLineWithoutLineEndAtTheEnd",
                 "#F2 after\n#HELP\n" + kMegabyte,
                 {{{2, {"after"}}}, {kMegabyte}, kDefaultBaudRate, {}}}),
    CaseName<FileCase>);

INSTANTIATE_TEST_SUITE_P(
    Numbers, BadConfigFileTest,
    ::testing::Values(
        FileCase{"HexadecimalBeyondThirtyTwoBits",
                 "#COMMODE &HFFFFFFFFFFFF\n#F1 after\n",
                 {{{1, {"after"}}},
                  {},
                  kDefaultBaudRate,
                  {"Non Valid Command: #COMMODE &HFFFFFFFFFFFF"}}},
        FileCase{"ExponentBeyondEveryDouble",
                 "#COMMODE 1e400\n#COMMODE 1e4\n",
                 {{}, {}, 10000, {"Non Valid Command: #COMMODE 1e400"}}},
        FileCase{"NegativeRate", "#COMMODE\n-7\n9600\n", {{}, {}, 9600, {"Non Valid Command: -7"}}},
        FileCase{"RateTheUartCannotTake",
                 "#COMMODE 1e-400\n#COMMODE &B1\n",
                 {{},
                  {},
                  kDefaultBaudRate,
                  {"Non Valid Command: #COMMODE 1e-400", "Non Valid Command: #COMMODE &B1"}}},
        // The macro number always takes two characters.
        FileCase{"HexadecimalMacroNumberIsTheBaudSection",
                 "#F&H1 x\n#F1 after\n",
                 {{{1, {"after"}}}, {}, kDefaultBaudRate, {"Non Valid Command: #F&H1 x"}}},
        FileCase{"ExponentInAMacroNumberIsCut",
                 "#F1e400 x\n",
                 {{{1, {"400 x"}}}, {}, kDefaultBaudRate, {}}},
        FileCase{"NumbersInMacroAndHelpLinesAreText",
                 "#F1 1e400\n#HELP &HFFFFFFFFFFFF\n-7\n",
                 {{{1, {"1e400"}}}, {"&HFFFFFFFFFFFF", "-7"}, kDefaultBaudRate, {}}}),
    CaseName<FileCase>);

INSTANTIATE_TEST_SUITE_P(
    Keywords, BadConfigFileTest,
    ::testing::Values(
        FileCase{"NegativeMacroNumber",
                 "#F-5 x\nlost\n#F2 after\n",
                 {{{2, {"after"}}}, {}, kDefaultBaudRate, {"Non Valid Command: #F-5 x"}}},
        FileCase{"NegativeMacroNumberAlone",
                 "#F-5\nlost\n#F2 after\n",
                 {{{2, {"after"}}}, {}, kDefaultBaudRate, {"Non Valid Command: #F-5"}}},
        FileCase{"ShiftMacroBeyondTwelve",
                 "#SF99 x\nlost\n#SF12 after\n",
                 {{{24, {"after"}}}, {}, kDefaultBaudRate, {"Non Valid Command: #SF99 x"}}},
        FileCase{
            "BareFIsTheBaudSection", "#F\n19200\n#F1 after\n", {{{1, {"after"}}}, {}, 19200, {}}},
        FileCase{"BareFWithTextIsARefusedRate",
                 "#F\nroot\n#F1 after\n",
                 {{{1, {"after"}}}, {}, kDefaultBaudRate, {"Non Valid Command: root"}}},
        FileCase{
            "EachBadKeywordOnceInFileOrder",
            "#F1 a\n#F-5\n#SF99\n#XYZ\n#F2 b\n",
            {{{1, {"a"}}, {2, {"b"}}},
             {},
             kDefaultBaudRate,
             {"Non Valid Command: #F-5", "Non Valid Command: #SF99", "Non Valid Command: #XYZ"}}}),
    CaseName<FileCase>);

TEST(BadConfigFile, TenMegabytesAreReadToTheEnd) {
  ConfigRig rig;
  std::string text = "#F1 first\n#F3\n";
  while (text.size() < 10 * 1024 * 1024) text += "a line of a much too long macro\r\n";
  text += "#HELP\n";
  for (int i = 0; i < 1000; ++i) text += "help\n";
  text += "#F2 last\n";
  rig.Write(text);
  const Result result = rig.Read();
  EXPECT_TRUE(result.messages.empty());
  EXPECT_EQ(result.macros.at(1), Lines{"first"});
  EXPECT_EQ(result.macros.at(2), Lines{"last"}) << "the end of the file is still read";
  EXPECT_EQ(result.macros.at(3).size(), static_cast<std::size_t>(ConfigTables::kMacroSlots));
  EXPECT_EQ(result.help.size(), static_cast<std::size_t>(ConfigTables::kHelpLines));
}

// A name that is there but is no readable file.
struct UnusableCase {
  std::string name;
  void (*make)(const fs::path& config);
  bool needs_permissions;  // root reads any file whatever its mode
  bool found;              // it passes the existence test
  std::string message;
  friend void PrintTo(const UnusableCase& c, std::ostream* os) { *os << c.name; }
};

class UnusableConfigFileTest : public ::testing::TestWithParam<UnusableCase> {};

TEST_P(UnusableConfigFileTest, IsReportedAndTheTablesStayAsTheyWere) {
  const UnusableCase& c = GetParam();
  if (c.needs_permissions && !testing::FileModesBindThisProcess()) {
    GTEST_SKIP() << "file modes do not bind this process";
  }
  ConfigRig rig;
  rig.Tables().StoreMacroLine(1, 1, "kept");
  try {
    c.make(rig.ConfigPath());
  } catch (const fs::filesystem_error& error) {
    // Windows makes symbolic links only with a privilege.
    GTEST_SKIP() << "cannot be made here: " << error.what();
  }
  const Result result = rig.Read();
  EXPECT_EQ(result.messages, Lines{c.message});
  EXPECT_EQ(result.baud_rate, kDefaultBaudRate);
  // A file that is found but cannot be read has already cleared the counts.
  const std::map<int, Lines> kept{{1, {"kept"}}};
  const std::map<int, Lines> none;
  EXPECT_EQ(result.macros, c.found ? none : kept);
}

INSTANTIATE_TEST_SUITE_P(
    Files, UnusableConfigFileTest,
    ::testing::Values(UnusableCase{"Directory", [](const fs::path& p) { fs::create_directory(p); },
                                   false, false, "Config file not found: R7n_Uart.cfg"},
                      UnusableCase{"LinkToADirectory",
                                   [](const fs::path& p) {
                                     fs::create_directory(p.parent_path() / "dir");
                                     fs::create_symlink(p.parent_path() / "dir", p);
                                   },
                                   false, false, "Config file not found: R7n_Uart.cfg"},
                      UnusableCase{"DanglingLink",
                                   [](const fs::path& p) {
                                     fs::create_symlink(p.parent_path() / "gone", p);
                                   },
                                   false, false, "Config file not found: R7n_Uart.cfg"},
                      UnusableCase{"NoReadPermission",
                                   [](const fs::path& p) {
                                     std::ofstream(p) << "#F1 x\n";
                                     fs::permissions(p, fs::perms::none);
                                   },
                                   true, true, "Config file not readable: R7n_Uart.cfg"}),
    CaseName<UnusableCase>);

}  // namespace
}  // namespace r7n
