#include "module/console_reply.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "module/module_software.h"

namespace r7n {
namespace {

// What real consoles sent back (Debian 12 in a virtual machine, busybox),
// byte for byte, and what the dialogue must read in it.
struct ReplyCase {
  const char* name;
  std::string reply;
  int root_prompt;   // RootPromptVariant
  int login_screen;  // LoginScreenVariant
  bool login_prompt;
  bool password_prompt;
  friend void PrintTo(const ReplyCase& c, std::ostream* os) { *os << c.name; }
};

class ConsoleReplyTest : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(ConsoleReplyTest, ReadsWhatTheConsoleShows) {
  const std::string readable = ReadableReply(GetParam().reply);
  EXPECT_EQ(RootPromptVariant(readable), GetParam().root_prompt);
  EXPECT_EQ(LoginScreenVariant(readable), GetParam().login_screen);
  EXPECT_EQ(AtLoginPrompt(readable), GetParam().login_prompt);
  EXPECT_EQ(AtPasswordPrompt(readable), GetParam().password_prompt);
}

constexpr int kNone = kVariantUnknown;

INSTANTIATE_TEST_SUITE_P(
    Consoles, ConsoleReplyTest,
    ::testing::Values(
        ReplyCase{"bash 5.2, bracketed paste on",
                  "^C\x1b[?2004l\r\x1b[?2004h\x1b[?2004l\r\r\n\x1b[?2004hroot@kt20r-r7n:~# ",
                  kVariantR7n, kNone, false, false},
        ReplyCase{"bash, bracketed paste off", "^C\r\nroot@kt20r-r7n:~# ", kVariantR7n, kNone,
                  false, false},
        ReplyCase{"busybox ash asks for the cursor position", "^C\r\nroot@kt20r-tr7n:~# \x1b[6n",
                  kVariantTr7n, kNone, false, false},
        ReplyCase{"the built-in R7N shell", "\r\nroot@kt20r-r7n:~# ", kVariantR7n, kNone, false,
                  false},
        ReplyCase{"a window title in OSC, ended by BEL and by ESC backslash",
                  "\x1b]0;root@kt20r-r7n: ~\a\x1b]2;x\x1b\\\r\nroot@kt20r-tr7n:~# ", kVariantTr7n,
                  kNone, false, false},
        ReplyCase{"a prompt that is not the last line", "root@kt20r-r7n:~# \r\nBroadcast message",
                  kNone, kNone, false, false},
        ReplyCase{"another host's prompt", "\r\nroot@debian:~# ", kNone, kNone, false, false},
        ReplyCase{"R7N banner", "\r\nKT20R R7N Linux\r\nkt20r-r7n login: ", kNone, kVariantR7n,
                  true, false},
        ReplyCase{"both banner words", "board R7N / KT20R Tr7N login: ", kNone, kVariantTr7n, true,
                  false},
        ReplyCase{"a distribution's issue: the host name tells",
                  "\r\nDebian GNU/Linux 12 kt20r-tr7n ttyS0\r\n\r\nkt20r-tr7n login: ", kNone,
                  kVariantTr7n, true, false},
        ReplyCase{"banner word without spaces", "KT20R-R7N login: ", kNone, kNone, true, false},
        ReplyCase{"Debian 12's getty, started again after a logout",
                  "exit\r\n\x1b[?2004l\rlogout\r\n\r\r\nDebian GNU/Linux 12 kt20r-r7n ttyS0\r\n"
                  "\r\nkt20r-r7n login: ",
                  kNone, kVariantR7n, true, false},
        ReplyCase{"Debian 12 after the password: message of the day, then the shell",
                  "\r\nLinux kt20r-tr7n 6.1.0-50-amd64 #1 SMP x86_64\r\n\r\npermitted by "
                  "applicable law.\r\nLast login: Wed Dec  9 06:30:07 UTC 2026 on ttyS0\r\n"
                  "\x1b[?2004hroot@kt20r-tr7n:~# ",
                  kVariantTr7n, kNone, false, false},
        ReplyCase{"login asks for the password", "root\r\nPassword: ", kNone, kNone, false, true},
        ReplyCase{"PAM's own wording", "root\r\nroot's password:", kNone, kNone, false, true},
        ReplyCase{"a refusal, then login asks again",
                  "\r\n\r\nLogin incorrect\r\nkt20r-r7n login: ", kNone, kVariantR7n, true, false},
        ReplyCase{"a title never ended does not swallow the prompt",
                  "\x1b]0;broken\r\nroot@kt20r-r7n:~# ", kVariantR7n, kNone, false, false},
        ReplyCase{"a sequence cut off at the end", "\r\nroot@kt20r-r7n:~# \x1b[?20", kVariantR7n,
                  kNone, false, false},
        ReplyCase{"silence", "", kNone, kNone, false, false}));

TEST(CommandOutput, TheLinesBetweenTheEchoAndThePrompt) {
  const std::string reply =
      "cat /etc/hostname \r\n\x1b[?2004l\rkt20r-r7n\r\n\r\n\x1b[?2004hroot@kt20r-r7n:~# ";
  const auto lines = CommandOutput(ReadableReply(reply), "cat /etc/hostname");
  ASSERT_TRUE(lines.has_value());
  EXPECT_EQ(*lines, (std::vector<std::string>{"kt20r-r7n", ""}));
  // Cut off before the prompt came back, or no echo: nothing to judge.
  EXPECT_FALSE(CommandOutput("cat /etc/hostname \r\nkt20r-r7n\r\n", "cat /etc/hostname"));
  EXPECT_FALSE(CommandOutput("kt20r-r7n\r\nroot@kt20r-r7n:~# ", "cat /etc/hostname"));
}

}  // namespace
}  // namespace r7n
