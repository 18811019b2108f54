#pragma once

#include <cstdint>
#include <string>

#include "console/console.h"
#include "module/console_listener.h"
#include "uart/channel_access.h"
#include "uart/uart_transfer.h"

namespace r7n {

// How the last LogMIn went, beyond its result: whether the console answered
// at all, the variant it showed (kVariantUnknown if none), and whether a root
// shell was there before it typed anything.
struct LoginReport {
  bool answered = false;
  int variant = -1;
  bool was_logged_in = false;
};

struct PromptCheck {
  std::int32_t logged_in = 0;  // 1 when a root prompt answered
  std::int32_t variant = -1;   // kVariantR7n, kVariantTr7n or kVariantUnknown
};

// The scripted dialogue with a module's Linux console on the current channel:
// prompt check, login as root, logout. It answers what the console shows, as
// an operator would: the password goes out only at a password prompt, never
// into a shell and never while the console still echoes. Nothing here shows a
// message; the results say how it went.
class ModuleLogin {
 public:
  static constexpr int kLoginAttempts = 6;

  ModuleLogin(UartLink& link, UartTransfer& uart, Console& console)
      : link_(link), uart_(uart), con_(console), listener_(link, uart, console.GetClock()) {}

  // Interrupts whatever runs and looks at the answer: a root prompt, or the
  // login screen that tells the variant.
  PromptCheck LogMChk();
  // 1 when a root prompt was reached, 0 after six failed attempts.
  std::int32_t LogMIn();
  // 1 when the module answered exit with a login prompt; otherwise the reply
  // is printed in hexadecimal and the result is 0.
  std::int32_t LogMOut();

  const LoginReport& LastLogin() const { return last_; }

 private:
  enum class Attempt { kLoggedIn, kAtLoginPrompt, kFailed };

  // User name, and the password once the console asks for it. variant is
  // updated with whatever the console shows on the way.
  Attempt TryLogin(int& variant);
  // Asks for the login prompt with an empty line; the variant it shows.
  int ShowLoginPrompt();
  void Send(std::string_view text);
  // Notes in last_ what a step of LogMIn heard.
  void NoteHeard(std::string_view reply, int variant);

  UartLink& link_;
  UartTransfer& uart_;
  Console& con_;
  ConsoleListener listener_;
  LoginReport last_;
};

}  // namespace r7n
