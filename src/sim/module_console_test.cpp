#include "sim/module_console.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sim/module_shell.h"

namespace r7n::sim {
namespace {

// The module software's settings are spelled out here rather than taken from
// the model, so a changed host name or password fails a test.
struct VariantCase {
  std::string name;
  ModuleVariant variant;
  std::string host;
  std::string password;
  std::string banner_word;
  std::string other_banner_word;
  // What the shell answers to Ctrl-C before the prompt itself.
  std::string interrupt_echo;
};

const VariantCase kR7n{"R7n", ModuleVariant::kR7n, "kt20r-r7n", "R7nAdm1n", " R7N ", " Tr7N ", ""};
const VariantCase kTr7n{"Tr7n", ModuleVariant::kTr7n, "kt20r-tr7n", "Tr7nAdm1n", " Tr7N ", " R7N ",
                        "^C"};

std::string PromptOf(const std::string& host) {
  return "\r\nroot@" + host + ":~# ";
}
const std::string kR7nPrompt = PromptOf("kt20r-r7n");

// Feeds bytes one at a time, as the serial line delivers them, and collects
// everything the console answers.
std::string Type(ModuleConsole& console, std::string_view bytes) {
  std::string out;
  std::int64_t now_us = 0;
  for (const char c : bytes) {
    now_us += 87;  // one byte time at 115200 bit/s
    console.Receive(static_cast<std::uint8_t>(c), now_us, out);
  }
  return out;
}

ModuleConsoleConfig AtShell(ModuleVariant variant = ModuleVariant::kR7n) {
  ModuleConsoleConfig config;
  config.variant = variant;
  config.logged_in = true;
  return config;
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

class ModuleVariantTest : public ::testing::TestWithParam<VariantCase> {};

// The service console's login check: Ctrl-C, then user name, then password,
// then Ctrl-C again to see the prompt.
TEST_P(ModuleVariantTest, LoginDialogueAsTheServiceConsoleRunsIt) {
  const VariantCase& v = GetParam();
  ModuleConsole console({.variant = v.variant});

  const std::string screen = Type(console, "\x03");
  EXPECT_NE(screen.find(v.banner_word), std::string::npos) << screen;
  EXPECT_EQ(screen.find(v.other_banner_word), std::string::npos) << screen;
  EXPECT_TRUE(EndsWith(screen, v.host + " login: ")) << screen;

  EXPECT_EQ(Type(console, "root\r"), "root\r\nPassword: ");
  EXPECT_EQ(Type(console, v.password + "\r"), "\r\n" + PromptOf(v.host));
  EXPECT_TRUE(console.AtShell());
  EXPECT_EQ(console.Logins(), 1);

  EXPECT_EQ(Type(console, "\x03"), v.interrupt_echo + PromptOf(v.host));
}

TEST_P(ModuleVariantTest, ExitReturnsToTheLoginScreen) {
  const VariantCase& v = GetParam();
  ModuleConsole console(AtShell(v.variant));
  const std::string reply = Type(console, "exit\r");
  EXPECT_EQ(reply.rfind("exit\r\n", 0), 0u) << reply;
  EXPECT_NE(reply.find(v.banner_word), std::string::npos) << reply;
  EXPECT_TRUE(EndsWith(reply, "\r\n" + v.host + " login: ")) << reply;
  EXPECT_FALSE(console.AtShell());
  // The login screen asks for a password again.
  EXPECT_EQ(Type(console, "root\r"), "root\r\nPassword: ");
}

// Nothing one variant prints may look like the other one to the service
// console: its banner word, its login prompt or its root prompt.
TEST_P(ModuleVariantTest, TextsNeverLookLikeTheOtherVariant) {
  const VariantCase& v = GetParam();
  const VariantCase& other = v.variant == ModuleVariant::kR7n ? kTr7n : kR7n;
  ModuleConsole console({.variant = v.variant});
  const std::string session = Type(
      console, "\x03root\rwrong\rroot\r" + v.password + "\r\x03" + "cat /etc/hostname\rexit\r");
  EXPECT_EQ(session.find(other.banner_word), std::string::npos) << session;
  EXPECT_EQ(session.find(other.host + " login:"), std::string::npos) << session;
  EXPECT_EQ(session.find("\r\nroot@" + other.host + ":"), std::string::npos) << session;
}

TEST_P(ModuleVariantTest, HostNameFileHoldsTheHostName) {
  const VariantCase& v = GetParam();
  ModuleConsole console({.variant = v.variant});
  ASSERT_NE(console.File("/etc/hostname"), nullptr);
  EXPECT_EQ(*console.File("/etc/hostname"), v.host + "\n");
}

INSTANTIATE_TEST_SUITE_P(Variants, ModuleVariantTest, ::testing::Values(kR7n, kTr7n),
                         [](const ::testing::TestParamInfo<VariantCase>& param_info) {
                           return param_info.param.name;
                         });

TEST(ModuleSoftware, PasswordLengthsAreTheOnesTheServiceConsoleSends) {
  EXPECT_EQ(SoftwareOf(ModuleVariant::kR7n).root_password.size(), 8u);
  EXPECT_EQ(SoftwareOf(ModuleVariant::kTr7n).root_password.size(), 9u);
}

struct RefusedLoginCase {
  std::string name;
  ModuleVariant variant;
  std::string user;
  std::string password;
  std::string reply;
};

class RefusedLoginTest : public ::testing::TestWithParam<RefusedLoginCase> {};

TEST_P(RefusedLoginTest, SaysLoginIncorrectAndAsksAgain) {
  const RefusedLoginCase& c = GetParam();
  ModuleConsole console({.variant = c.variant});
  Type(console, c.user + "\r");
  EXPECT_EQ(Type(console, c.password + "\r"), c.reply);
  EXPECT_FALSE(console.AtShell());
  EXPECT_EQ(console.FailedLogins(), 1);
  EXPECT_EQ(console.Logins(), 0);
}

const std::string kR7nRefusal = "\r\nLogin incorrect\r\nkt20r-r7n login: ";
const std::string kTr7nRefusal = "\r\nLogin incorrect\r\nkt20r-tr7n login: ";

INSTANTIATE_TEST_SUITE_P(
    Table, RefusedLoginTest,
    ::testing::Values(
        RefusedLoginCase{"WrongPassword", ModuleVariant::kR7n, "root", "secret12", kR7nRefusal},
        RefusedLoginCase{"OtherVariantsPassword", ModuleVariant::kR7n, "root", "Tr7nAdm1n",
                         kR7nRefusal},
        RefusedLoginCase{"PasswordWithOneMore", ModuleVariant::kR7n, "root", "R7nAdm1nx",
                         kR7nRefusal},
        RefusedLoginCase{"EmptyPassword", ModuleVariant::kR7n, "root", "", kR7nRefusal},
        RefusedLoginCase{"WrongUser", ModuleVariant::kR7n, "admin", "R7nAdm1n", kR7nRefusal},
        RefusedLoginCase{"UserInCapitals", ModuleVariant::kR7n, "ROOT", "R7nAdm1n", kR7nRefusal},
        RefusedLoginCase{"Tr7nWithR7nPassword", ModuleVariant::kTr7n, "root", "R7nAdm1n",
                         kTr7nRefusal}),
    [](const ::testing::TestParamInfo<RefusedLoginCase>& param_info) {
      return param_info.param.name;
    });

TEST(ModuleLogin, ThirdRefusalRestartsGettyWithItsBanner) {
  ModuleConsole console({});
  EXPECT_EQ(Type(console, "root\rbad\r"), "root\r\nPassword: " + kR7nRefusal);
  EXPECT_EQ(Type(console, "root\rbad\r"), "root\r\nPassword: " + kR7nRefusal);
  const std::string third = Type(console, "root\rbad\r");
  EXPECT_NE(third.find("Login incorrect\r\n"), std::string::npos);
  EXPECT_NE(third.find(" R7N "), std::string::npos) << third;
  EXPECT_TRUE(EndsWith(third, "kt20r-r7n login: "));
  EXPECT_EQ(console.FailedLogins(), 3);
}

TEST(ModuleLogin, PasswordIsNotEchoedAndCanBeCorrected) {
  ModuleConsole console({});
  Type(console, "root\r");
  const std::string reply = Type(console, "R7nAdm1nZ\x7F\r");
  EXPECT_EQ(reply, "\r\n" + kR7nPrompt);
  EXPECT_TRUE(console.AtShell());
}

TEST(ModuleLogin, InterruptAtThePasswordPromptStartsOver) {
  ModuleConsole console({});
  Type(console, "root\rR7n");
  const std::string reply = Type(console, "\x03");
  EXPECT_NE(reply.find(" R7N "), std::string::npos);
  EXPECT_TRUE(EndsWith(reply, "kt20r-r7n login: "));
  // The half-typed password is gone: the next line is a user name.
  EXPECT_EQ(Type(console, "root\r"), "root\r\nPassword: ");
  EXPECT_EQ(Type(console, "R7nAdm1n\r"), "\r\n" + kR7nPrompt);
}

TEST(ModuleLogin, EmptyUserNameAsksAgain) {
  ModuleConsole console({});
  EXPECT_EQ(Type(console, "\r"), "\r\nkt20r-r7n login: ");
  EXPECT_EQ(console.FailedLogins(), 0);
}

TEST(ModuleShellSession, ReadCommandPrintsTheFileWithCrLf) {
  ModuleConsoleConfig config = AtShell();
  config.address = "192.168.0.11";
  ModuleConsole console(config);
  EXPECT_EQ(Type(console, "cat /etc/network/interfaces \r"),
            "cat /etc/network/interfaces \r\n"
            "auto lo\r\niface lo inet loopback\r\n\r\nauto eth0\r\niface eth0 inet static\r\n"
            "    address 192.168.0.11\r\n    netmask 255.255.255.0\r\n" +
                kR7nPrompt);
}

TEST(ModuleShellSession, WriteCommandRewritesTheInterfacesFile) {
  ModuleConsole console(AtShell());
  const std::string command =
      "echo -e \"auto lo\\niface lo inet loopback\\niface eth0 inet static\\n"
      "address 192.168.127.129\\nnetmask 255.255.255.0\\nmtu 9000\\n\" > /etc/network/interfaces";
  ASSERT_EQ(command.size() + 1, 152u);
  EXPECT_EQ(Type(console, command + "\r"), command + "\r\n" + kR7nPrompt);
  ASSERT_NE(console.File("/etc/network/interfaces"), nullptr);
  EXPECT_EQ(*console.File("/etc/network/interfaces"),
            "auto lo\niface lo inet loopback\niface eth0 inet static\naddress 192.168.127.129\n"
            "netmask 255.255.255.0\nmtu 9000\n\n");
  EXPECT_EQ(Type(console, "cat /etc/network/interfaces \r"),
            "cat /etc/network/interfaces \r\n"
            "auto lo\r\niface lo inet loopback\r\niface eth0 inet static\r\n"
            "address 192.168.127.129\r\nnetmask 255.255.255.0\r\nmtu 9000\r\n\r\n" +
                kR7nPrompt);
}

TEST(ModuleShellSession, MissingFileAndUnknownCommandGiveErrorLines) {
  ModuleConsole console(AtShell());
  console.RemoveFile("/etc/network/interfaces");
  EXPECT_EQ(Type(console, "cat /etc/network/interfaces \r"),
            "cat /etc/network/interfaces \r\n"
            "cat: /etc/network/interfaces: No such file or directory\r\n" +
                kR7nPrompt);
  EXPECT_EQ(Type(console, "reboot now\r"), "reboot now\r\n-sh: reboot: not found\r\n" + kR7nPrompt);
}

TEST(ModuleShellSession, FilesSetFromOutsideAreSeenByTheShell) {
  ModuleConsole console(AtShell());
  console.SetFile("/etc/network/interfaces", "iface eth0 inet dhcp\n");
  EXPECT_EQ(Type(console, "cat /etc/network/interfaces\r"),
            "cat /etc/network/interfaces\r\niface eth0 inet dhcp\r\n" + kR7nPrompt);
}

TEST(ModuleShellSession, ConfiguredInterfacesFileReplacesTheStaticOne) {
  ModuleConsoleConfig config = AtShell();
  config.interfaces_file = "auto lo\niface lo inet loopback\n";
  ModuleConsole console(config);
  ASSERT_NE(console.File("/etc/network/interfaces"), nullptr);
  EXPECT_EQ(*console.File("/etc/network/interfaces"), "auto lo\niface lo inet loopback\n");
}

TEST(ModuleShellSession, EndOfInputOnAnEmptyLineLogsOut) {
  ModuleConsole console(AtShell());
  const std::string reply = Type(console, "\x04");
  EXPECT_TRUE(EndsWith(reply, "kt20r-r7n login: ")) << reply;
  EXPECT_FALSE(console.AtShell());
}

struct LineEditCase {
  std::string name;
  std::string typed;
  // The echo and output before the prompt that follows.
  std::string reply;
};

class LineEditTest : public ::testing::TestWithParam<LineEditCase> {};

TEST_P(LineEditTest, EchoesAndRunsTheEditedLine) {
  const LineEditCase& c = GetParam();
  ModuleConsole console(AtShell());
  EXPECT_EQ(Type(console, c.typed), c.reply + kR7nPrompt);
}

INSTANTIATE_TEST_SUITE_P(
    Table, LineEditTest,
    ::testing::Values(LineEditCase{"EmptyLine", "\r", "\r\n"},
                      LineEditCase{"LineFeedEndsALineToo", "echo a\n", "echo a\r\na\r\n"},
                      LineEditCase{"DeleteErases", "echo hx\x7Fi\r", "echo hx\b \bi\r\nhi\r\n"},
                      LineEditCase{"BackspaceErases", "echo hx\bi\r", "echo hx\b \bi\r\nhi\r\n"},
                      LineEditCase{"EraseOnEmptyLineDoesNothing", "\x7F\x7F\r", "\r\n"},
                      LineEditCase{"KillErasesTheLine",
                                   "ab\x15"
                                   "echo ok\r",
                                   "ab\b \b\b \becho ok\r\nok\r\n"},
                      LineEditCase{"ControlCharacterEchoesAsCaret", "a\x01\r",
                                   "a^A\r\n-sh: a\x01: not found\r\n"},
                      LineEditCase{"ErasedControlCharacterTakesTwoColumns", "a\x01\x7F\r",
                                   "a^A\b \b\b \b\r\n-sh: a: not found\r\n"},
                      // The prompt "root@kt20r-r7n:~# " ends in column 18; the tab stop is 24.
                      LineEditCase{"ErasedTabGoesBackToItsStart",
                                   "\t\x7F"
                                   "echo t\r",
                                   "\t\b\b\b\b\b\becho t\r\nt\r\n"},
                      LineEditCase{"EndOfInputAfterTextIsIgnored", "ech\x04o x\r",
                                   "echo x\r\nx\r\n"},
                      LineEditCase{"InterruptDropsTheLine", "echo lost\x03\r",
                                   "echo lost" + kR7nPrompt + "\r\n"}),
    [](const ::testing::TestParamInfo<LineEditCase>& param_info) { return param_info.param.name; });

TEST(ModuleConsoleRobustness, OverlongLineIsCutAtTheTtyLimit) {
  ModuleConsole console(AtShell());
  const std::string reply = Type(console, std::string(10'000, 'a') + "\r");
  const std::string kept(ModuleConsole::kMaxLine, 'a');
  EXPECT_EQ(reply, kept + std::string(10'000 - kept.size(), '\a') + "\r\n-sh: " + kept +
                       ": not found\r\n" + kR7nPrompt);
  EXPECT_EQ(Type(console, "\x03"), kR7nPrompt);
}

// Every byte value in a scrambled order, at the login screen and at the
// shell; afterwards the console still logs in and runs commands.
TEST(ModuleConsoleRobustness, SurvivesGarbage) {
  std::string garbage;
  std::uint32_t state = 12345;
  for (int i = 0; i < 20'000; ++i) {
    state = state * 1103515245u + 12345u;
    garbage += static_cast<char>(state >> 24);
  }
  for (const bool logged_in : {false, true}) {
    ModuleConsole console({.logged_in = logged_in});
    Type(console, garbage);
    const std::string reply = Type(console, "\x03");
    if (!console.AtShell()) {
      EXPECT_TRUE(EndsWith(reply, "kt20r-r7n login: ")) << reply;
      Type(console, "root\rR7nAdm1n\r");
    }
    ASSERT_TRUE(console.AtShell());
    EXPECT_EQ(Type(console, "echo alive\r"), "echo alive\r\nalive\r\n" + kR7nPrompt);
  }
}

// The shell on its own: what a command line prints, with LF line ends.
struct ShellCase {
  std::string name;
  std::string line;
  std::string console;
};

class ShellCommandTest : public ::testing::TestWithParam<ShellCase> {};

TEST_P(ShellCommandTest, Prints) {
  const ShellCase& c = GetParam();
  ModuleShell shell;
  shell.SetFile("/etc/hostname", "kt20r-r7n\n");
  const ShellOutcome outcome = shell.Run(c.line);
  EXPECT_EQ(outcome.console, c.console);
  EXPECT_FALSE(outcome.exit);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ShellCommandTest,
    ::testing::Values(
        ShellCase{"Blank", "   \t ", ""}, ShellCase{"Comment", "# echo no", ""},
        ShellCase{"EchoWords", "echo  hello   world ", "hello world\n"},
        ShellCase{"EchoNothing", "echo", "\n"},
        ShellCase{"DoubleQuotesKeepSpaces", "echo \"a  b\"  c", "a  b c\n"},
        ShellCase{"SingleQuotesKeepEverything", "echo 'x \"y\" \\n'", "x \"y\" \\n\n"},
        ShellCase{"QuotesJoinAWord", "echo a\"b c\"'d'", "ab cd\n"},
        ShellCase{"BackslashEscapesABlank", "echo a\\ \\ b", "a  b\n"},
        ShellCase{"BackslashInDoubleQuotesStaysBeforeN", "echo \"a\\nb\"", "a\\nb\n"},
        ShellCase{"BackslashInDoubleQuotesProtectsQuote", "echo \"say \\\"hi\\\"\"",
                  "say \"hi\"\n"},
        ShellCase{"EchoEscapes", "echo -e \"a\\tb\\nc\"", "a\tb\nc\n"},
        ShellCase{"EchoStopsAtBackslashC", "echo -e \"one\\ctwo\"", "one"},
        ShellCase{"EchoWithoutNewline", "echo -n no", "no"},
        ShellCase{"EchoOptionsCombined", "echo -ne \"x\\n\"", "x\n"},
        ShellCase{"EchoCapitalEUndoesE", "echo -e -E \"a\\nb\"", "a\\nb\n"},
        ShellCase{"EchoUnknownOptionIsText", "echo -x -e", "-x -e\n"},
        ShellCase{"HashInsideAWordIsText", "echo a#b", "a#b\n"},
        ShellCase{"CatFile", "cat /etc/hostname", "kt20r-r7n\n"},
        ShellCase{"CatPathSpelledOddly", "cat /etc/./network/..//hostname", "kt20r-r7n\n"},
        ShellCase{"CatRelativeToHome", "cat ../etc/hostname", "kt20r-r7n\n"},
        ShellCase{"CatErrorsInOrder", "cat /etc/hostname /none /etc/hostname",
                  "kt20r-r7n\ncat: /none: No such file or directory\nkt20r-r7n\n"},
        ShellCase{"CatDirectory", "cat /etc", "cat: /etc: Is a directory\n"},
        ShellCase{"CatEmptyName", "cat \"\"", "cat: : No such file or directory\n"},
        ShellCase{"UnknownCommand", "ifconfig eth0", "-sh: ifconfig: not found\n"},
        ShellCase{"QuotedCommandName", "\"ls -l\"", "-sh: ls -l: not found\n"},
        ShellCase{"OpenDoubleQuote", "echo \"abc",
                  "-sh: syntax error: unterminated quoted string\n"},
        ShellCase{"OpenSingleQuote", "echo 'abc",
                  "-sh: syntax error: unterminated quoted string\n"},
        ShellCase{"RedirectWithoutTarget", "echo a >", "-sh: syntax error: unexpected newline\n"},
        ShellCase{"RedirectIntoRedirect", "echo a > > f",
                  "-sh: syntax error: unexpected redirection\n"},
        ShellCase{"RedirectIntoMissingDirectory", "echo a > /none/f",
                  "-sh: can't create /none/f: nonexistent directory\n"},
        ShellCase{"RedirectOntoDirectory", "echo a > /etc",
                  "-sh: can't create /etc: Is a directory\n"},
        ShellCase{"RedirectedErrorsStillShow", "cat /none > /tmp/out",
                  "cat: /none: No such file or directory\n"}),
    [](const ::testing::TestParamInfo<ShellCase>& param_info) { return param_info.param.name; });

struct RedirectCase {
  std::string name;
  std::vector<std::string> lines;
  std::string path;
  std::string content;
};

class ShellRedirectTest : public ::testing::TestWithParam<RedirectCase> {};

TEST_P(ShellRedirectTest, WritesTheFile) {
  const RedirectCase& c = GetParam();
  ModuleShell shell;
  shell.SetFile("/tmp/old", "old\n");
  for (const std::string& line : c.lines) EXPECT_EQ(shell.Run(line).console, "") << line;
  ASSERT_NE(shell.File(c.path), nullptr);
  EXPECT_EQ(*shell.File(c.path), c.content);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ShellRedirectTest,
    ::testing::Values(
        RedirectCase{"Overwrites", {"echo new > /tmp/old"}, "/tmp/old", "new\n"},
        RedirectCase{"Appends",
                     {"echo more >> /tmp/old", "echo end>>/tmp/old"},
                     "/tmp/old",
                     "old\nmore\nend\n"},
        RedirectCase{"CreatesNewFile", {"echo hi >/tmp/new"}, "/tmp/new", "hi\n"},
        RedirectCase{"RelativeToHome", {"echo hi > notes"}, "/root/notes", "hi\n"},
        RedirectCase{"RedirectFirst", {"> /tmp/x echo a b"}, "/tmp/x", "a b\n"},
        RedirectCase{"AloneEmptiesTheFile", {"> /tmp/old"}, "/tmp/old", ""},
        RedirectCase{
            "TargetIsEmptiedBeforeTheCommandRuns", {"cat /tmp/old > /tmp/old"}, "/tmp/old", ""},
        RedirectCase{"LastTargetGetsTheOutput", {"echo z > /tmp/a > /tmp/old"}, "/tmp/old", "z\n"},
        RedirectCase{"EarlierTargetIsStillEmptied", {"echo z > /tmp/old > /tmp/b"}, "/tmp/old", ""},
        RedirectCase{"CopyWithCat", {"cat /tmp/old > /tmp/copy"}, "/tmp/copy", "old\n"},
        RedirectCase{"EchoEscapesIntoFile", {"echo -e \"a\\nb\" > /tmp/e"}, "/tmp/e", "a\nb\n"}),
    [](const ::testing::TestParamInfo<RedirectCase>& param_info) { return param_info.param.name; });

TEST(ModuleShellExit, ExitEndsTheShellEvenWithArguments) {
  ModuleShell shell;
  EXPECT_TRUE(shell.Run("exit").exit);
  EXPECT_TRUE(shell.Run("exit 1").exit);
  EXPECT_FALSE(shell.Run("echo exit").exit);
  EXPECT_FALSE(shell.Run("exits").exit);
}

}  // namespace
}  // namespace r7n::sim
