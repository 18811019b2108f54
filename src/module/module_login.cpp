#include "module/module_login.h"

#include "module/console_reply.h"
#include "module/module_software.h"

namespace r7n {
namespace {

constexpr std::string_view kInterrupt = "\x03";
constexpr std::string_view kUserName = "root\r";
constexpr std::string_view kLogout = "exit\r";
constexpr std::int32_t kReplyBytes = 1000;
constexpr std::int32_t kCheckTimeoutMs = 200;

// After the user name. Any tty echoes it at once, so a console that sends
// nothing back within 150 ms is not there (this keeps a silent module below
// 2.5 s for the whole login); a live one gets seconds to ask for the
// password (a distribution's login has taken 100-175 ms on a slow machine).
constexpr ListenLimits kPasswordPromptLimits{.silent_ms = 150, .settle_ms = 50, .total_ms = 3000};
// An empty line makes a getty show its login prompt again, and with it the
// host name; a distribution's getty ignores the interrupt, and its issue
// holds no banner word. A shell just shows a new prompt. 4 ms on a slow
// machine; 100 ms of silence is nobody there.
constexpr ListenLimits kLoginPromptLimits{.silent_ms = 100, .settle_ms = 50, .total_ms = 1000};
// After the password: a login through PAM may take seconds to start the
// shell, and a refusal comes only after its delay (3 s on Debian).
constexpr ListenLimits kOutcomeLimits{.silent_ms = 0, .settle_ms = 50, .total_ms = 10000};
// After "exit": the shell says "logout" at once, then the service manager
// starts a new getty, whose prompt has come 1.4-1.75 s later. A console that
// does not even echo the command is given up as before, after 300 ms.
constexpr ListenLimits kLogoutLimits{.silent_ms = 300, .settle_ms = 0, .total_ms = 5000};

// Once the console has shown a variant, a later reply that shows none does
// not make it unknown again.
void Learn(int& variant, int shown) {
  if (shown != kVariantUnknown) variant = shown;
}

}  // namespace

void ModuleLogin::Send(std::string_view text) {
  uart_.UartSndStr(link_.ChanAdr(), text);
}

void ModuleLogin::NoteHeard(std::string_view reply, int variant) {
  if (!reply.empty()) last_.answered = true;
  Learn(last_.variant, variant);
}

PromptCheck ModuleLogin::LogMChk() {
  link_.UartRcvInit(link_.ChanAdr());
  Send(kInterrupt);
  uart_.RcvPause(30);
  const std::string reply =
      uart_.UartRcvNbyt(link_.ChanAdr(), kReplyBytes, kCheckTimeoutMs, 1).text;
  const std::string readable = ReadableReply(reply);
  const int shell = RootPromptVariant(readable);
  const PromptCheck check = shell != kVariantUnknown ? PromptCheck{1, shell}
                                                     : PromptCheck{0, LoginScreenVariant(readable)};
  NoteHeard(reply, check.variant);
  return check;
}

int ModuleLogin::ShowLoginPrompt() {
  Send("\r");
  const Heard heard = listener_.Listen(AtLoginPrompt, kLoginPromptLimits);
  const int variant = LoginScreenVariant(heard.readable);
  NoteHeard(heard.reply, variant);
  return variant;
}

ModuleLogin::Attempt ModuleLogin::TryLogin(int& variant) {
  Send(kUserName);
  const Heard asked = listener_.Listen(AtPasswordPrompt, kPasswordPromptLimits);
  Learn(variant, LoginScreenVariant(asked.readable));
  NoteHeard(asked.reply, variant);
  // No password prompt, no password: it must never reach a shell or an echo.
  if (!asked.expected) return Attempt::kFailed;
  // An unrecognised console gets the R7N password.
  const ModuleSoftwareTexts& software = variant == kVariantTr7n ? kTr7nSoftware : kR7nSoftware;
  Send(std::string(software.root_password) + "\r");
  const Heard outcome = listener_.Listen(
      [](std::string_view readable) {
        return RootPromptVariant(readable) != kVariantUnknown || AtLoginPrompt(readable);
      },
      kOutcomeLimits);
  const int shell = RootPromptVariant(outcome.readable);
  Learn(variant, shell != kVariantUnknown ? shell : LoginScreenVariant(outcome.readable));
  NoteHeard(outcome.reply, variant);
  if (shell != kVariantUnknown) return Attempt::kLoggedIn;
  return AtLoginPrompt(outcome.readable) ? Attempt::kAtLoginPrompt : Attempt::kFailed;
}

std::int32_t ModuleLogin::LogMIn() {
  last_ = {};
  PromptCheck check = LogMChk();
  last_.was_logged_in = check.logged_in != 0;
  if (check.logged_in != 0) return 1;
  int variant = check.variant;
  if (variant == kVariantUnknown) variant = ShowLoginPrompt();
  // The first attempt follows the check; later ones look again unless the
  // last one ended at a login prompt.
  bool check_first = false;
  for (int attempt = 0; attempt < kLoginAttempts; ++attempt) {
    if (check_first) {
      check = LogMChk();
      if (check.logged_in != 0) return 1;
      Learn(variant, check.variant);
    }
    const Attempt result = TryLogin(variant);
    if (result == Attempt::kLoggedIn) return 1;
    check_first = result != Attempt::kAtLoginPrompt;
  }
  return 0;
}

std::int32_t ModuleLogin::LogMOut() {
  Send(kInterrupt);
  con_.ConSleep(50);
  link_.UartRcvInit(link_.ChanAdr());
  Send(kLogout);
  uart_.RcvPause(30);
  // Done at the first login prompt; a password prompt means "exit" went to
  // login as a user name, and no login prompt will come.
  const Heard heard = listener_.Listen(
      [](std::string_view readable) {
        return ShowsLoginPrompt(readable) || AtPasswordPrompt(readable);
      },
      kLogoutLimits);
  if (ShowsLoginPrompt(heard.readable)) return 1;
  uart_.PrnHexStr(heard.reply);
  return 0;
}

}  // namespace r7n
