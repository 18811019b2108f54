#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "console/console.h"
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
      : link_(link), uart_(uart), con_(console) {}

  AddressReading GetMIpAdr();
  // Replaces the whole file with a static set-up for the address. No reply is
  // read: nothing tells whether the module took it.
  void SetMIpAdr(std::string_view address);

 private:
  UartLink& link_;
  UartTransfer& uart_;
  Console& con_;
};

// The address in a module's reply to the read command: the text between
// "address " and the next CR, spaces trimmed.
AddressReading AddressInReply(std::string_view reply);

// The one-line shell command that writes the static set-up for an address.
std::string AddressSetupCommand(std::string_view address);

}  // namespace r7n
