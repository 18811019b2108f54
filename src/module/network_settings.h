#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "console/console.h"
#include "module/console_listener.h"
#include "uart/channel_access.h"
#include "uart/uart_transfer.h"

namespace r7n {

struct AddressReading {
  std::int32_t found = 0;
  std::string address;  // the placeholder when not found
};

inline constexpr std::string_view kUnknownAddress = "xxx.xxx.xxx.xxx";

// Reading and rewriting /etc/network/interfaces over a module's root shell.
class NetworkSettings {
 public:
  NetworkSettings(UartLink& link, UartTransfer& uart, Console& console)
      : link_(link), uart_(uart), con_(console), listener_(link, uart, console.GetClock()) {}

  AddressReading GetMIpAdr();
  // Replaces the whole file with a static set-up for the address.
  void SetMIpAdr(std::string_view address);
  // 1 when the file holds exactly what SetMIpAdr writes for the address.
  std::int32_t ChkMIpAdr(std::string_view address);

 private:
  // The shell's reply to the read command: its echo, the file, the prompt.
  std::string ReadFile();

  UartLink& link_;
  UartTransfer& uart_;
  Console& con_;
  ConsoleListener listener_;
};

// The address in a module's reply to the read command: the rest of the first
// line whose first word is "address" (not a comment, not "hwaddress"),
// spaces trimmed. A line cut off before its end does not count.
AddressReading AddressInReply(std::string_view reply);

// The one-line shell command that writes the static set-up for an address.
std::string AddressSetupCommand(std::string_view address);

// Whether a reply to the read command shows exactly the six lines that
// AddressSetupCommand writes for the address (blank lines after them aside).
bool ReplyShowsSetup(std::string_view reply, std::string_view address);

}  // namespace r7n
