#include "module/module_login.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "module/module_software.h"
#include "testing/chassis_rig.h"
#include "testing/scripted_far_end.h"

namespace r7n {
namespace {

using sim::Device;
using sim::ModuleKind;

// What Debian 12's consoles send (bash 5.2 with bracketed paste, systemd's
// getty, login through PAM), byte for byte.
const std::string kBashPromptR7n = "\x1b[?2004hroot@kt20r-r7n:~# ";
const std::string kBashPromptTr7n = "\x1b[?2004hroot@kt20r-tr7n:~# ";
const std::string kBashInterrupt = "^C\x1b[?2004l\r\x1b[?2004h\x1b[?2004l\r\r\n" + kBashPromptR7n;
const std::string kMotd =
    "Linux kt20r-r7n 6.1.0-28-amd64 #1 SMP PREEMPT_DYNAMIC Debian 6.1.119-1 x86_64\r\n\r\n"
    "The programs included with the Debian GNU/Linux system are free software;\r\n";
const std::string kIssueTr7n = "\r\nDebian GNU/Linux 12 kt20r-tr7n ttyS0\r\n\r\nkt20r-tr7n login: ";

using Step = testing::ConsoleScript::Step;

// The user name is echoed at once, and login asks for the password later.
Step UserName(std::int64_t prompt_after_ms) {
  return {"root\r", {{0, "root\r\n"}, {prompt_after_ms, "Password: "}}};
}
// Login ends the hidden line itself, then starts the shell or refuses.
Step Password(std::string_view password, std::int64_t after_ms, std::string answer) {
  return {std::string(password) + "\r", {{0, "\r\n"}, {after_ms, std::move(answer)}}};
}

struct DialogueCase {
  const char* name;
  testing::ConsoleScript script;
  std::int32_t logged_in;
  std::string received;  // everything the console got
  friend void PrintTo(const DialogueCase& c, std::ostream* os) { *os << c.name; }
};

class LoginDialogueTest : public ::testing::TestWithParam<DialogueCase> {};

// Every password went out after the console had asked for it.
void ExpectPasswordsOnlyAfterAPrompt(const testing::FarEndRecord& script) {
  std::vector<std::int64_t> asked_at;
  for (const auto& [at_us, bytes] : script.sent) {
    if (bytes.ends_with("Password: ")) asked_at.push_back(at_us);
  }
  std::size_t answered = 0;
  for (const std::string_view password :
       {kR7nSoftware.root_password, kTr7nSoftware.root_password}) {
    for (std::size_t at = script.received.find(password); at != std::string::npos;
         at = script.received.find(password, at + 1)) {
      ASSERT_LT(answered, asked_at.size()) << "a password nobody asked for";
      EXPECT_GT(script.received_at_us[at], asked_at[answered++]);
    }
  }
}

TEST_P(LoginDialogueTest, AnswersWhatTheConsoleShows) {
  testing::FarEndRecord record;
  testing::ChassisRig rig(testing::ScriptedModuleChassis(GetParam().script, record));
  ModuleLogin login(rig.link, rig.uart, rig.con);
  rig.Select(1, 1);
  EXPECT_EQ(login.LogMIn(), GetParam().logged_in);
  EXPECT_EQ(record.received, GetParam().received);
  ExpectPasswordsOnlyAfterAPrompt(record);
}

std::string Times(int n, const std::string& text) {
  std::string all;
  for (int i = 0; i < n; ++i) all += text;
  return all;
}

// Debian's getty ignores the interrupt; an empty line shows its prompt again.
Step EnterShows(const std::string& host) {
  return {"\r", {{4, "\r\r\n" + host + " login: "}}};
}

INSTANTIATE_TEST_SUITE_P(
    Consoles, LoginDialogueTest,
    ::testing::Values(
        DialogueCase{"password prompt after 200 ms",
                     {{{"\x03", {}},
                       EnterShows("kt20r-r7n"),
                       UserName(200),
                       Password("R7nAdm1n", 1500, kMotd + kBashPromptR7n)}},
                     1,
                     "\x03\rroot\rR7nAdm1n\r"},
        DialogueCase{"password prompt after 2 s, the host name tells Tr7N",
                     {{{"\x03", {}},
                       EnterShows("kt20r-tr7n"),
                       UserName(2000),
                       Password("Tr7nAdm1n", 2400, kBashPromptTr7n)}},
                     1,
                     "\x03\rroot\rTr7nAdm1n\r"},
        DialogueCase{"refused, then the login prompt names Tr7N",
                     {{{"\x03", {}},
                       UserName(150),
                       Password("R7nAdm1n", 3000, "\r\nLogin incorrect\r\nkt20r-tr7n login: "),
                       UserName(150),
                       Password("Tr7nAdm1n", 500, kBashPromptTr7n)}},
                     1,
                     "\x03\rroot\rR7nAdm1n\rroot\rTr7nAdm1n\r"},
        DialogueCase{"a getty's issue tells Tr7N: no empty line",
                     {{{"\x03", {{0, kIssueTr7n}}},
                       UserName(150),
                       Password("Tr7nAdm1n", 500, kBashPromptTr7n)}},
                     1,
                     "\x03root\rTr7nAdm1n\r"},
        DialogueCase{"already at a bash prompt", {{{"\x03", {{0, kBashInterrupt}}}}}, 1, "\x03"},
        DialogueCase{"silence: no password", {}, 0, "\x03\rroot\r" + Times(5, "\x03root\r")},
        DialogueCase{"a console that echoes everything",
                     {{}, true},
                     0,
                     "\x03\rroot\r" + Times(5, "\x03root\r")}));

TEST(ModuleLogin, ASilentModuleKeepsItsTime) {
  const testing::ConsoleScript silence;
  testing::FarEndRecord record;
  testing::ChassisRig rig(testing::ScriptedModuleChassis(silence, record));
  ModuleLogin login(rig.link, rig.uart, rig.con);
  rig.Select(1, 1);
  const std::int64_t start = rig.clock.NowUs();
  EXPECT_EQ(login.LogMIn(), 0);
  // Six checks (30 ms, then 200 ms without a byte), one empty line nothing
  // answered within 100 ms, and six user names nothing echoed within 150 ms.
  const std::int64_t took = rig.clock.NowUs() - start;
  EXPECT_GT(took, 2'300'000);
  EXPECT_LT(took, 2'510'000) << "no slower than six blind attempts were";
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
        LoginCase{"R7N at its login screen", ModuleKind::kR7n, "\x03root\rR7nAdm1n\r"},
        LoginCase{"Tr7N at its login screen", ModuleKind::kTr7n, "\x03root\rTr7nAdm1n\r"},
        LoginCase{"R7N already logged in: only the interrupt", ModuleKind::kR7nShell, "\x03"},
        LoginCase{"Tr7N already logged in", ModuleKind::kTr7nShell, "\x03"}));

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

TEST(ModuleLogin, LogoutWaitsForTheGettyToComeBack) {
  // bash says "logout" at once; the service manager's new getty asks 1.7 s later.
  testing::ConsoleScript script{
      {{"\x03", {{0, kBashInterrupt}}},
       {"exit\r",
        {{0, "exit\r\n\x1b[?2004l\rlogout\r\n"},
         {1700, "\r\nDebian GNU/Linux 12 kt20r-r7n ttyS0\r\n\r\nkt20r-r7n login: "}}}}};
  testing::FarEndRecord record;
  testing::ChassisRig rig(testing::ScriptedModuleChassis(script, record));
  ModuleLogin login(rig.link, rig.uart, rig.con);
  rig.Select(1, 1);
  rig.con.ConClear();
  EXPECT_EQ(login.LogMOut(), 1);
  EXPECT_EQ(rig.con.Screen().Image().At(1, 1).ch, ' ') << "no hex dump";
}

}  // namespace
}  // namespace r7n
