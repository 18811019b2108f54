#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

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
#include "terminal/file_exist.h"
#include "testing/headless_console.h"
#include "testing/temp_dir.h"

namespace r7n {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

constexpr std::int64_t kMs = 1000;
constexpr std::int64_t kKeyStepMs = 100;

// Base unit 1's registers as last written through its index/data port pair.
class RegisterPorts : public PortIo {
 public:
  void Out(std::uint16_t port, std::uint8_t value) override {
    if (port == kBase1Port + 1) index_ = value;
    if (port == kBase1Port) registers_[index_] = value;
  }
  std::uint8_t In(std::uint16_t /*port*/) override { return 0xFF; }
  std::uint8_t Register(std::uint8_t index) const {
    const auto it = registers_.find(index);
    return it == registers_.end() ? 0 : it->second;
  }

 private:
  std::uint8_t index_ = 0;
  std::map<std::uint8_t, std::uint8_t> registers_;
};

void WriteFile(const fs::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string Join(const Lines& lines, std::string_view line_end) {
  std::string text;
  for (const std::string& line : lines) text.append(line).append(line_end);
  return text;
}

// A message as the operator saw it on the message line.
struct ShownMessage {
  std::string text;
  Cell first;  // the cell of the text's first character
  friend bool operator==(const ShownMessage&, const ShownMessage&) = default;
  friend void PrintTo(const ShownMessage& m, std::ostream* os) {
    *os << '"' << m.text << "\" fg " << int{m.first.fg} << " bg " << int{m.first.bg};
  }
};

class CfgReadTest : public ::testing::Test {
 protected:
  static constexpr int kErrorRow = 24;
  static constexpr int kTextCol = 3;  // the strip starts in column 2 with a space

  CfgReadTest() : start_dir_(fs::current_path()) {}
  ~CfgReadTest() override {
    std::error_code ignored;
    fs::current_path(start_dir_, ignored);
  }

  fs::path ConfigPath() const { return dir_.Path() / kConfigFileName; }
  void WriteConfig(std::string_view bytes) const { WriteFile(ConfigPath(), bytes); }

  // Runs CfgRead with a key ready for every message it may show, and returns
  // the messages as they stood on the message line, in order.
  std::vector<ShownMessage> Run(int keys = 8) {
    std::vector<ShownMessage> shown;
    for (int k = 0; k < keys; ++k) {
      device_.ScheduleProbe((k * kKeyStepMs + kKeyStepMs / 2) * kMs,
                            [this, &shown] { shown.push_back(MessageLine()); });
      device_.ScheduleKey((k + 1) * kKeyStepMs * kMs, "x");
    }
    CfgRead(helpers_, tables_, link_, dir_.Path());
    const auto answered = static_cast<std::size_t>(keys) - device_.KeysLeft();
    EXPECT_EQ(shown.size(), answered) << "every message waits for its own key";
    con_.Present();
    EXPECT_EQ(MessageLine().text, "") << "the message line is erased afterwards";
    return shown;
  }

  ShownMessage MessageLine() const {
    const ScreenImage& image = device_.Shown();
    std::string row;
    for (int col = 1; col <= image.cols; ++col)
      row += static_cast<char>(image.At(kErrorRow, col).ch);
    const std::size_t first = row.find_first_not_of(' ');
    if (first == std::string::npos) return {"", image.At(kErrorRow, kTextCol)};
    return {row.substr(first, row.find_last_not_of(' ') - first + 1),
            image.At(kErrorRow, kTextCol)};
  }

  VirtualClock clock_;
  testing::HeadlessConsole device_{clock_};
  Console con_{device_, clock_};
  ScreenHelpers helpers_{con_};
  RegisterPorts ports_;
  ConsoleUartHost host_{con_, helpers_};
  UartLink link_{ports_, host_};
  ConfigTables tables_;
  testing::TempDir dir_;
  fs::path start_dir_;
};

constexpr Cell kWhiteOnLightRed{'N', 15, 12};

TEST_F(CfgReadTest, MissingFileIsReportedAndTheTablesStayAsTheyWere) {
  link_.SetBaudRate(9600);
  tables_.StoreMacroLine(1, 1, "kept");
  const auto shown = Run();
  EXPECT_EQ(shown,
            (std::vector<ShownMessage>{{"Config file not found: R7n_Uart.cfg", {'C', 15, 12}}}));
  EXPECT_EQ(link_.BaudRate(), 115200);
  EXPECT_EQ(tables_.MacroCnt(1), 1);
}

TEST_F(CfgReadTest, DirectoryOfThatNameIsNoFile) {
  fs::create_directory(ConfigPath());
  const auto shown = Run();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, "Config file not found: R7n_Uart.cfg");
}

TEST_F(CfgReadTest, PresentFileStartsFromEmptyCountsAndShowsNothing) {
  tables_.StoreMacroLine(1, 1, "old");
  ASSERT_TRUE(tables_.AddHelpLine("old"));
  WriteConfig("' only a comment\r\n\r\n");
  EXPECT_TRUE(Run().empty());
  EXPECT_EQ(tables_.MacroCnt(1), 0);
  EXPECT_EQ(tables_.HelpCnt(), 0);
}

class CfgReadLineEndTest : public CfgReadTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(CfgReadLineEndTest, ReadsTheNineLineExample) {
  WriteConfig(Join({"' macros", "#F1 root", "#f2", "ls -l", "#SF3 exit", "#HELP", "F1 = login",
                    "\"", "#COMMODE 9600"},
                   GetParam()));
  EXPECT_TRUE(Run().empty());
  for (int macro = 1; macro <= ConfigTables::kMacroCount; ++macro) {
    const bool defined = macro == 1 || macro == 2 || macro == 15;
    EXPECT_EQ(tables_.MacroCnt(macro), defined ? 1 : 0) << "macro " << macro;
  }
  EXPECT_EQ(tables_.MacroLine(1, 1), "root");
  EXPECT_EQ(tables_.MacroLine(2, 1), "ls -l");
  EXPECT_EQ(tables_.MacroLine(15, 1), "exit");
  EXPECT_EQ(tables_.HelpCnt(), 2);
  EXPECT_EQ(tables_.HelpLine(1), "F1 = login");
  EXPECT_EQ(tables_.HelpLine(2), " ");
  EXPECT_EQ(link_.BaudRate(), 9600);
}

INSTANTIATE_TEST_SUITE_P(LineEnds, CfgReadLineEndTest, ::testing::Values("\n", "\r\n"),
                         [](const auto& param_info) {
                           return param_info.param == "\n" ? "Lf" : "CrLf";
                         });

TEST_F(CfgReadTest, ConfiguredRateProgramsTheChannel) {
  WriteConfig("#COMMODE 9600\r\n");
  Run();
  ASSERT_EQ(link_.BaudRate(), 9600);
  link_.UartSelChan(0);
  // 125 MHz / 9600 = 13020.8, so the divisor is 13021 = 0x32DD.
  EXPECT_EQ(ports_.Register(kUartRegBase + kUartDivLo), 0xDD);
  EXPECT_EQ(ports_.Register(kUartRegBase + kUartDivHi), 0x32);
}

TEST_F(CfgReadTest, EveryMessageIsShownOnTheMessageLineInFileOrder) {
  link_.SetBaudRate(9600);
  WriteConfig("#XYZ\n#COMMODE 0\n#F1 a\n#F25 b\n#COMMODE 1000\n#COMMODE abc\n#HELP h\n");
  const auto shown = Run();
  const std::vector<ShownMessage> expected{
      {"Non Valid Command: #XYZ", kWhiteOnLightRed},
      {"Non Valid Command: #COMMODE 0", kWhiteOnLightRed},
      {"Non Valid Command: #F25 b", kWhiteOnLightRed},
      {"Non Valid Command: #COMMODE 1000", kWhiteOnLightRed},
      {"Non Valid Command: #COMMODE abc", kWhiteOnLightRed},
  };
  EXPECT_EQ(shown, expected);
  EXPECT_EQ(link_.BaudRate(), 115200) << "refused rates leave the default";
  EXPECT_EQ(tables_.MacroCnt(1), 1);
  EXPECT_EQ(tables_.HelpCnt(), 1) << "reading goes on after each message";
}

// Makes the configuration file one that exists but cannot be opened for
// reading: no read permission, or, where permissions do not bind (root), a
// link to a kernel attribute that can only be written. False when neither
// can be arranged here.
#ifdef _WIN32
// A file that another handle holds open without sharing cannot be opened.
class Unopenable {
 public:
  explicit Unopenable(const fs::path& file) {
    WriteFile(file, "#F1 x\n");
    held_ = CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  }
  ~Unopenable() {
    if (held_ != INVALID_HANDLE_VALUE) CloseHandle(held_);
  }
  Unopenable(const Unopenable&) = delete;
  Unopenable& operator=(const Unopenable&) = delete;
  bool Made() const { return held_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE held_ = INVALID_HANDLE_VALUE;
};
#else
// Without read permission, unless this runs as root; then a write-only
// system file stands in, where there is one.
class Unopenable {
 public:
  explicit Unopenable(const fs::path& file) {
    WriteFile(file, "#F1 x\n");
    fs::permissions(file, fs::perms::none);
    if (!std::ifstream(file).is_open()) {
      made_ = true;
      return;
    }
    fs::remove(file);
    const fs::path write_only = "/sys/bus/pci/rescan";
    std::error_code ec;
    if (!fs::is_regular_file(write_only, ec)) return;
    fs::create_symlink(write_only, file);
    made_ = !std::ifstream(file).is_open();
  }
  bool Made() const { return made_; }

 private:
  bool made_ = false;
};
#endif

TEST_F(CfgReadTest, FileThatCannotBeOpenedIsReported) {
  const Unopenable config(ConfigPath());
  if (!config.Made()) GTEST_SKIP() << "every file can be opened here";
  link_.SetBaudRate(9600);
  const auto shown = Run();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, "Config file not readable: R7n_Uart.cfg");
  EXPECT_EQ(link_.BaudRate(), 115200);
  EXPECT_EQ(tables_.MacroCnt(1), 0);
}

TEST_F(CfgReadTest, ReadErrorPartWayIsReported) {
  // Reading this process's memory from address 0 fails on the first read.
  const fs::path memory = "/proc/self/mem";
  std::error_code ec;
  if (!fs::is_regular_file(memory, ec)) GTEST_SKIP() << "no " << memory;
  fs::create_symlink(memory, ConfigPath(), ec);
  if (ec) GTEST_SKIP() << "no symbolic links here";
  const auto shown = Run();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, "Config file not readable: R7n_Uart.cfg");
}

TEST_F(CfgReadTest, FileIsFoundInTheProgramDirectoryFromAnywhere) {
  WriteConfig("#F1 here\n");
  fs::current_path(fs::temp_directory_path());
  EXPECT_TRUE(Run().empty());
  EXPECT_EQ(tables_.MacroLine(1, 1), "here");
  EXPECT_EQ(fs::canonical(fs::current_path()), fs::canonical(dir_.Path()))
      << "later relative names resolve in the program directory";
}

TEST_F(CfgReadTest, HugeFileAndVeryLongLines) {
  const std::string long_line(8 * 1024 * 1024, 'z');
  std::string text = "#F2 " + long_line + "\n#HELP\n";
  for (int i = 0; i < 200'000; ++i) text += "help line\r\n";
  text += "#F3\n" + long_line;
  WriteConfig(text);
  EXPECT_TRUE(Run().empty());
  EXPECT_EQ(tables_.MacroLine(2, 1), long_line);
  EXPECT_EQ(tables_.MacroLine(3, 1), long_line) << "the last line needs no line end";
  EXPECT_EQ(tables_.HelpCnt(), ConfigTables::kHelpLines);
}

struct ExistCase {
  std::string name;
  bool exists;
  friend void PrintTo(const ExistCase& c, std::ostream* os) { *os << '"' << c.name << '"'; }
};

class FileExistTest : public ::testing::TestWithParam<ExistCase> {
 protected:
  FileExistTest() : start_dir_(fs::current_path()) {
    fs::current_path(dir_.Path());
    WriteFile("plain.cfg", "x");
    WriteFile("readonly.cfg", "x");
    fs::permissions("readonly.cfg", fs::perms::owner_read | fs::perms::group_read);
    fs::create_directory("dir.cfg");
    MakePlatformFiles();
  }
  ~FileExistTest() override {
    std::error_code ignored;
    fs::permissions(dir_.Path() / "readonly.cfg", fs::perms::owner_all, ignored);
    fs::current_path(start_dir_, ignored);
  }

#ifdef _WIN32
  static void MakePlatformFiles() {
    WriteFile("hidden.cfg", "x");
    SetFileAttributesW(L"hidden.cfg", FILE_ATTRIBUTE_HIDDEN);
    WriteFile("system.cfg", "x");
    SetFileAttributesW(L"system.cfg", FILE_ATTRIBUTE_SYSTEM);
  }
#else
  static void MakePlatformFiles() {
    WriteFile("a*b", "x");
    fs::create_symlink("plain.cfg", "link.cfg");
  }
#endif

  testing::TempDir dir_;
  fs::path start_dir_;
};

TEST_P(FileExistTest, FindsOrdinaryFilesOnly) {
  EXPECT_EQ(FileExist(GetParam().name), GetParam().exists);
}

INSTANTIATE_TEST_SUITE_P(Names, FileExistTest,
                         ::testing::Values(ExistCase{"plain.cfg", true},
                                           ExistCase{"readonly.cfg", true},
                                           ExistCase{"missing.cfg", false},
                                           ExistCase{"dir.cfg", false}, ExistCase{"*.cfg", false},
                                           ExistCase{"plain.cf?", false}, ExistCase{"", false}));

#ifdef _WIN32
// Names as the Windows file system treats them.
INSTANTIATE_TEST_SUITE_P(Windows, FileExistTest,
                         ::testing::Values(ExistCase{"PLAIN.CFG", true},
                                           ExistCase{"Plain.Cfg", true},
                                           ExistCase{"hidden.cfg", false},
                                           ExistCase{"system.cfg", false}));
#else
INSTANTIATE_TEST_SUITE_P(Posix, FileExistTest,
                         ::testing::Values(ExistCase{"link.cfg", true}, ExistCase{"a*b", false},
                                           ExistCase{"PLAIN.CFG", false}));
#endif

}  // namespace
}  // namespace r7n
