#include "module/module_login.h"

#include <gtest/gtest.h>

#include <deque>
#include <ostream>
#include <string>
#include <vector>

#include "module/module_software.h"
#include "testing/chassis_rig.h"

namespace r7n {
namespace {

using sim::Device;
using sim::ModuleKind;

// A console that answers each interrupt byte with the next scripted reply, so
// the prompt check can be shown texts no real module prints.
class ScriptedConsole : public PortIo {
 public:
  explicit ScriptedConsole(std::vector<std::string> replies)
      : replies_(replies.begin(), replies.end()) {}

  void Out(std::uint16_t port, std::uint8_t value) override {
    if (port == 0x311) {
      index_ = value;
    } else if (index_ == 0x32) {
      sent += static_cast<char>(value);
      if (value == 0x03 && !replies_.empty()) {
        fifo_.insert(fifo_.end(), replies_.front().begin(), replies_.front().end());
        replies_.pop_front();
      }
    } else if (index_ == 0x36 && value == 0xC1) {
      fifo_.clear();
    }
  }
  std::uint8_t In(std::uint16_t) override {
    switch (index_) {
      case 0x32:
        return 0x01;  // always ready and empty
      case 0x35:
        return static_cast<std::uint8_t>(std::min<std::size_t>(fifo_.size(), 127));
      case 0x34: {
        const char c = fifo_.empty() ? '\0' : fifo_.front();
        if (!fifo_.empty()) fifo_.pop_front();
        return static_cast<std::uint8_t>(c);
      }
      default:
        return 0;
    }
  }

  std::string sent;

 private:
  std::deque<std::string> replies_;
  std::deque<char> fifo_;
  std::uint8_t index_ = 0;
};

struct ScriptedRig {
  explicit ScriptedRig(std::vector<std::string> replies) : ports(std::move(replies)) {}
  VirtualClock clock;
  ScriptedConsole ports;
  testing::HeadlessConsole device{clock};
  Console con{device, clock};
  ScreenHelpers helpers{con};
  UartLink link{ports, con};
  UartTransfer uart{link, con, helpers};
  ModuleLogin login{link, uart, con};
};

struct CheckCase {
  const char* name;
  std::string reply;
  std::int32_t logged_in;
  std::int32_t variant;
  friend void PrintTo(const CheckCase& c, std::ostream* os) { *os << c.name; }
};

class PromptCheckTest : public ::testing::TestWithParam<CheckCase> {};

TEST_P(PromptCheckTest, RecognisesPromptsAndBanners) {
  ScriptedRig rig({GetParam().reply});
  const PromptCheck check = rig.login.LogMChk();
  EXPECT_EQ(check.logged_in, GetParam().logged_in);
  EXPECT_EQ(check.variant, GetParam().variant);
  EXPECT_EQ(rig.ports.sent, "\x03");
}

INSTANTIATE_TEST_SUITE_P(
    Replies, PromptCheckTest,
    ::testing::Values(
        CheckCase{"R7N prompt first", "\r\nroot@kt20r-r7n:~# ", 1, kVariantR7n},
        CheckCase{"two characters before the R7N prompt", "^C\r\nroot@kt20r-r7n:~# ", 0,
                  kVariantUnknown},
        CheckCase{"Tr7N prompt first", "\r\nroot@kt20r-tr7n:~# ", 1, kVariantTr7n},
        CheckCase{"Tr7N prompt at the third character", "^C\r\nroot@kt20r-tr7n:~# ", 1,
                  kVariantTr7n},
        CheckCase{"Tr7N prompt at the fourth character", "^C \r\nroot@kt20r-tr7n:~# ", 0,
                  kVariantUnknown},
        CheckCase{"R7N banner", "\r\nKT20R R7N Linux\r\nkt20r-r7n login: ", 0, kVariantR7n},
        CheckCase{"Tr7N banner", "\r\nKT20R Tr7N Linux\r\nkt20r-tr7n login: ", 0, kVariantTr7n},
        CheckCase{"both banner words", "board R7N / KT20R Tr7N login: ", 0, kVariantTr7n},
        CheckCase{"banner word without spaces", "KT20R-R7N login: ", 0, kVariantUnknown},
        CheckCase{"silence", "", 0, kVariantUnknown}));

TEST(ModuleLogin, AVariantFoundAfterAFailedAttemptChangesThePassword) {
  ScriptedRig rig({"", "\r\nKT20R Tr7N Linux\r\nkt20r-tr7n login: ", "^C\r\nroot@kt20r-tr7n:~# "});
  EXPECT_EQ(rig.login.LogMIn(), 1);
  EXPECT_EQ(rig.ports.sent, "\x03root\rR7nAdm1n\r\x03root\rTr7nAdm1n\r\x03");
}

TEST(ModuleLogin, PasswordsHaveTheLengthsTheModulesUse) {
  EXPECT_EQ(kR7nSoftware.root_password.size(), 8u);
  EXPECT_EQ(kTr7nSoftware.root_password.size(), 9u);
}

struct LoginCase {
  const char* name;
  ModuleKind kind;
  std::string typed;  // what reaches the module
  friend void PrintTo(const LoginCase& c, std::ostream* os) { *os << c.name; }
};

class SimulatedLoginTest : public ::testing::TestWithParam<LoginCase> {};

TEST_P(SimulatedLoginTest, ReachesTheRootPrompt) {
  sim::ChassisConfig config;
  config.base1.modules[1] = GetParam().kind;
  testing::ChassisRig rig(config);
  ModuleLogin login(rig.link, rig.uart, rig.con);
  rig.Select(1, 2);
  EXPECT_EQ(login.LogMIn(), 1);
  EXPECT_EQ(rig.chassis.Base(1).Line(Device::kModuleB).ToDevice(), GetParam().typed);
  EXPECT_TRUE(rig.chassis.MutableBase(1).Module(1)->AtShell());
}

INSTANTIATE_TEST_SUITE_P(
    Modules, SimulatedLoginTest,
    ::testing::Values(
        LoginCase{"R7N at its login screen", ModuleKind::kR7n, "\x03root\rR7nAdm1n\r\x03"},
        LoginCase{"Tr7N at its login screen", ModuleKind::kTr7n, "\x03root\rTr7nAdm1n\r\x03"},
        LoginCase{"R7N already logged in: only the interrupt", ModuleKind::kR7nShell, "\x03"},
        LoginCase{"Tr7N already logged in", ModuleKind::kTr7nShell, "\x03"}));

TEST(ModuleLogin, ASilentModuleCostsSixAttemptsAndAboutTwoAndAHalfSeconds) {
  sim::ChassisConfig config;
  config.base1.modules[0] = ModuleKind::kSilent;
  testing::ChassisRig rig(config);
  ModuleLogin login(rig.link, rig.uart, rig.con);
  rig.Select(1, 1);
  const std::int64_t start = rig.clock.NowUs();
  EXPECT_EQ(login.LogMIn(), 0);
  const std::int64_t took = rig.clock.NowUs() - start;
  // One check (30 ms + 200 ms of silence) and six attempts (50 + 100 ms and a check).
  EXPECT_GE(took, 2'510'000);
  EXPECT_LT(took, 2'511'000);
  std::string expected = "\x03";
  for (int i = 0; i < 6; ++i) expected += "root\rR7nAdm1n\r\x03";
  EXPECT_EQ(rig.chassis.Base(1).Line(Device::kModuleA).ToDevice(), expected);
}

TEST(ModuleLogin, ALongBannerStillTellsTheVariant) {
  // A login screen whose banner word lies 250 bytes in: more than the
  // receive FIFO holds when the banner arrives during the check's pause.
  sim::ChassisConfig config;
  config.base1.modules[0] = ModuleKind::kSilent;
  testing::ChassisRig rig(config);
  ModuleLogin login(rig.link, rig.uart, rig.con);
  rig.Select(1, 1);
  std::string banner = "\r\n";
  while (banner.size() < 250) banner += "Welcome to the KT20R module console. ";
  banner += "Running Tr7N firmware 4.2\r\n" + std::string(20, '=') + "\r\nkt20r-tr7n login: ";
  rig.chassis.MutableBase(1).Inject(Device::kModuleA, banner);
  const PromptCheck check = login.LogMChk();
  EXPECT_EQ(check.logged_in, 0);
  EXPECT_EQ(check.variant, kVariantTr7n);
}

struct LogoutCase {
  const char* name;
  ModuleKind kind;
  std::int32_t result;
  bool hex_dump;
  friend void PrintTo(const LogoutCase& c, std::ostream* os) { *os << c.name; }
};

class LogoutTest : public ::testing::TestWithParam<LogoutCase> {};

TEST_P(LogoutTest, ConfirmsEitherVariantsLoginPrompt) {
  sim::ChassisConfig config;
  config.base1.modules[0] = GetParam().kind;
  testing::ChassisRig rig(config);
  ModuleLogin login(rig.link, rig.uart, rig.con);
  rig.Select(1, 1);
  rig.con.ConClear();
  EXPECT_EQ(login.LogMOut(), GetParam().result);
  const Cell first = rig.con.Screen().Image().At(1, 1);
  EXPECT_EQ(first.ch != ' ', GetParam().hex_dump) << "hex dump of the reply";
  EXPECT_EQ(rig.chassis.Base(1).Line(Device::kModuleA).ToDevice(),
            "\x03"
            "exit\r");
  if (const sim::ModuleConsole* module = rig.chassis.MutableBase(1).Module(0)) {
    EXPECT_FALSE(module->AtShell());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Modules, LogoutTest,
    ::testing::Values(LogoutCase{"logged-in R7N module", ModuleKind::kR7nShell, 1, false},
                      LogoutCase{"logged-in Tr7N module", ModuleKind::kTr7nShell, 1, false},
                      LogoutCase{"module at its login screen", ModuleKind::kR7n, 0, true},
                      LogoutCase{"silent module", ModuleKind::kSilent, 0, false}));

}  // namespace
}  // namespace r7n
