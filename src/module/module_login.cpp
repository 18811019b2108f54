#include "module/module_login.h"

#include "module/module_software.h"

namespace r7n {
namespace {

constexpr std::string_view kInterrupt = "\x03";
constexpr std::string_view kUserName = "root\r";
constexpr std::string_view kLogout = "exit\r";
constexpr std::int32_t kReplyBytes = 1000;
constexpr std::int32_t kCheckTimeoutMs = 200;
constexpr std::int32_t kLogoutTimeoutMs = 300;

}  // namespace

std::string RootPrompt(std::string_view host_name) {
  std::string prompt = "\r\nroot@";
  prompt += host_name;
  prompt += ':';
  return prompt;
}

std::string ModuleLogin::Reply(std::int32_t timeout_ms) {
  return uart_.UartRcvNbyt(link_.ChanAdr(), kReplyBytes, timeout_ms, 1).text;
}

PromptCheck ModuleLogin::LogMChk() {
  link_.UartRcvInit(link_.ChanAdr());
  uart_.UartSndStr(link_.ChanAdr(), kInterrupt);
  uart_.RcvPause(30);
  const std::string reply = Reply(kCheckTimeoutMs);
  if (reply.find(RootPrompt(kR7nSoftware.host_name)) == 0) return {1, kVariantR7n};
  // The Tr7N shell echoes the interrupt as "^C" before its prompt.
  const std::size_t tr7n = reply.find(RootPrompt(kTr7nSoftware.host_name));
  if (tr7n == 0 || tr7n == 2) return {1, kVariantTr7n};
  if (reply.find(kTr7nSoftware.banner_word) != std::string::npos) return {0, kVariantTr7n};
  if (reply.find(kR7nSoftware.banner_word) != std::string::npos) return {0, kVariantR7n};
  return {0, kVariantUnknown};
}

std::int32_t ModuleLogin::LogMIn() {
  PromptCheck check = LogMChk();
  if (check.logged_in != 0) return 1;
  for (int attempt = 0; attempt < kLoginAttempts; ++attempt) {
    uart_.UartSndStr(link_.ChanAdr(), kUserName);
    con_.ConSleep(50);
    // An unrecognised console gets the R7N password.
    const ModuleSoftwareTexts& software =
        check.variant == kVariantTr7n ? kTr7nSoftware : kR7nSoftware;
    uart_.UartSndStr(link_.ChanAdr(), std::string(software.root_password) + "\r");
    con_.ConSleep(100);
    check = LogMChk();
    if (check.logged_in != 0) return 1;
  }
  return 0;
}

std::int32_t ModuleLogin::LogMOut() {
  uart_.UartSndStr(link_.ChanAdr(), kInterrupt);
  con_.ConSleep(50);
  link_.UartRcvInit(link_.ChanAdr());
  uart_.UartSndStr(link_.ChanAdr(), kLogout);
  uart_.RcvPause(30);
  const std::string reply = Reply(kLogoutTimeoutMs);
  // The login prompt of either variant confirms the logout.
  for (const ModuleSoftwareTexts* software : {&kR7nSoftware, &kTr7nSoftware}) {
    if (reply.find(std::string(software->host_name) + " login:") != std::string::npos) return 1;
  }
  uart_.PrnHexStr(reply);
  return 0;
}

}  // namespace r7n
