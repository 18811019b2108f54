// Files the terminal needs but cannot have: a Term.txt that cannot be created
// and an external program that is not there. Neither stops the session, and
// neither is the program's to report.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <system_error>
#include <vector>

#include "console/screen_helpers.h"
#include "testing/file_modes.h"
#include "testing/program_harness.h"

namespace r7n {
namespace {

namespace fs = std::filesystem;
using testing::HarnessOptions;
using testing::ProgramHarness;

constexpr std::int64_t kUsPerMs = 1000;
constexpr int kFirstOutputRow = 22;  // of a module session opened from the menu

HarnessOptions SilentModuleA() {
  HarnessOptions options;
  options.chassis.base1.modules[0] = sim::ModuleKind::kSilent;
  return options;
}

const std::string& Heard(ProgramHarness& h) {
  return h.Chassis().Base(1).Line(sim::Device::kModuleA).ToDevice();
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Looks at the message line every few milliseconds of the run and remembers
// whether a message was ever shown there.
class MessageWatch {
 public:
  MessageWatch(ProgramHarness& h, std::int64_t until_ms) : h_(h), until_ms_(until_ms) { LookAt(0); }
  bool Seen() const { return seen_; }

 private:
  void LookAt(std::int64_t at_ms) {
    h_.ProbeAt(at_ms, [this] {
      seen_ = seen_ || h_.CellAt(ScreenHelpers::kErrorRow, 2).bg == ScreenHelpers::kErrorBg;
      const std::int64_t now_ms = h_.Clock().NowUs() / kUsPerMs;
      if (now_ms < until_ms_) LookAt(now_ms + 20);
    });
  }

  ProgramHarness& h_;
  std::int64_t until_ms_;
  bool seen_ = false;
};

// Gives the program directory its permissions back, so that it can be
// removed after a case that took them away.
struct PermissionsBack {
  fs::path dir;
  ~PermissionsBack() {
    std::error_code ignored;
    fs::permissions(dir, fs::perms::owner_all, ignored);
  }
};

struct CaptureCase {
  std::string name;
  void (*make)(const fs::path& dir);
  bool needs_permissions;  // root creates files whatever the modes say
  // The Term.txt entry afterwards, as the case left it.
  bool (*untouched)(const fs::path& dir);
  friend void PrintTo(const CaptureCase& c, std::ostream* os) { *os << c.name; }
};

class UncreatableCaptureTest : public ::testing::TestWithParam<CaptureCase> {};

TEST_P(UncreatableCaptureTest, SessionRunsWithoutCaptureAndWithoutAMessage) {
  const CaptureCase& c = GetParam();
  if (c.needs_permissions && !testing::FileModesBindThisProcess()) {
    GTEST_SKIP() << "file modes do not bind this process";
  }
  ProgramHarness h(SilentModuleA());
  PermissionsBack restore{h.Dir()};
  try {
    c.make(h.Dir());
  } catch (const fs::filesystem_error& error) {
    // Windows makes symbolic links only with a privilege.
    GTEST_SKIP() << "cannot be made here: " << error.what();
  }
  MessageWatch watch(h, 2000);
  h.KeyAt(100, "a");
  h.ProbeAt(200, [&] { h.Chassis().MutableBase(1).Inject(sim::Device::kModuleA, "hello\r\n"); });
  std::string row;
  h.ProbeAt(400, [&] { row = h.Row(kFirstOutputRow); });
  h.KeyAt(500, "k");
  h.KeyAt(1000, KeyShiftF2);
  h.KeyAt(1500, "q");
  const auto outcome = h.Run();
  EXPECT_EQ(row, "hello");
  EXPECT_EQ(Heard(h), "k");
  EXPECT_FALSE(watch.Seen()) << "a capture that cannot be made is no error";
  EXPECT_TRUE(c.untouched(h.Dir()));
  EXPECT_EQ(outcome.exit_status, 0);
  EXPECT_EQ(h.Row(1), "R7N UART:");
}

fs::path TermTxt(const fs::path& dir) {
  return dir / "Term.txt";
}

INSTANTIATE_TEST_SUITE_P(
    Capture, UncreatableCaptureTest,
    ::testing::Values(
        CaptureCase{"TermTxtIsADirectory",
                    [](const fs::path& dir) { fs::create_directory(TermTxt(dir)); }, false,
                    [](const fs::path& dir) {
                      return fs::is_directory(TermTxt(dir)) && fs::is_empty(TermTxt(dir));
                    }},
        CaptureCase{
            "TermTxtLinksIntoAMissingDirectory",
            [](const fs::path& dir) { fs::create_symlink(dir / "gone" / "t", TermTxt(dir)); },
            false,
            [](const fs::path& dir) {
              return fs::is_symlink(TermTxt(dir)) && !fs::exists(dir / "gone");
            }},
        CaptureCase{"ProgramDirectoryIsReadOnly",
                    [](const fs::path& dir) {
                      fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
                    },
                    true, [](const fs::path& dir) { return !fs::exists(TermTxt(dir)); }},
        CaptureCase{"TermTxtIsReadOnly",
                    [](const fs::path& dir) {
                      std::ofstream(TermTxt(dir)) << "last session";
                      fs::permissions(TermTxt(dir), fs::perms::owner_read);
                    },
                    true,
                    [](const fs::path& dir) { return ReadFile(TermTxt(dir)) == "last session"; }}),
    [](const auto& param_info) { return param_info.param.name; });

// What the command interpreter reports when the external program is missing
// (127), found but not runnable (126), or when no interpreter could be
// started at all (-1).
class MissingExternalProgramTest : public ::testing::TestWithParam<int> {};

TEST_P(MissingExternalProgramTest, SessionGoesOnWithoutAMessage) {
  ProgramHarness h(SilentModuleA());
  std::ofstream(h.Dir() / "R7n_Uart.cfg") << "#F1 \"first line\"\n\"second line\"\n";
  h.Shell().SetStatus(GetParam());
  MessageWatch watch(h, 2000);
  h.KeyAt(100, "a");
  h.KeyAt(300, KeyF1);
  h.ProbeAt(400, [&] { h.Chassis().MutableBase(1).Inject(sim::Device::kModuleA, "still here"); });
  std::string row;
  h.ProbeAt(600, [&] { row = h.Row(kFirstOutputRow); });
  h.KeyAt(700, "k");
  h.KeyAt(1000, KeyShiftF2);
  h.KeyAt(1500, "q");
  const auto outcome = h.Run();
  EXPECT_EQ(h.Shell().Commands(), std::vector<std::string>{"GP.EXE"});
  EXPECT_FALSE(watch.Seen()) << "the interpreter speaks for itself";
  EXPECT_EQ(row, "still here");
  EXPECT_EQ(Heard(h), "k") << "the macro's own lines are not sent";
  EXPECT_EQ(ReadFile(h.Dir() / "Term.txt"), "still here");
  EXPECT_EQ(outcome.exit_status, 0);
}

INSTANTIATE_TEST_SUITE_P(Statuses, MissingExternalProgramTest, ::testing::Values(127, 126, -1));

}  // namespace
}  // namespace r7n
