#include "module/network_settings.h"

#include <array>

#include "console/trim_spaces.h"

namespace r7n {
namespace {

constexpr std::string_view kReadCommand = "cat /etc/network/interfaces \r";
constexpr std::string_view kAddressKeyword = "address ";
constexpr std::int32_t kReplyBytes = 1000;
constexpr std::int32_t kReadTimeoutMs = 300;

}  // namespace

AddressReading AddressInReply(std::string_view reply) {
  const std::size_t keyword = reply.find(kAddressKeyword);
  if (keyword == std::string_view::npos) return {0, std::string(kUnknownAddress)};
  const std::size_t end = reply.find('\r', keyword);
  if (end == std::string_view::npos) return {0, std::string(kUnknownAddress)};
  // From the space after the word up to the CR.
  const std::size_t start = keyword + kAddressKeyword.size() - 1;
  return {1, std::string(TrimSpaces(reply.substr(start, end - start)))};
}

std::string AddressSetupCommand(std::string_view address) {
  const std::array<std::string, 6> lines{
      "auto lo",
      "iface lo inet loopback",
      "iface eth0 inet static",
      "address " + std::string(address),
      "netmask 255.255.255.0",
      "mtu 9000",
  };
  // echo -e turns each backslash-n into a line end on the module.
  std::string command = "echo -e \"";
  for (const std::string& line : lines) command += line + "\\n";
  command += "\" > /etc/network/interfaces\r";
  return command;
}

AddressReading NetworkSettings::GetMIpAdr() {
  link_.UartRcvInit(link_.ChanAdr());
  uart_.UartSndStr(link_.ChanAdr(), kReadCommand);
  uart_.RcvPause(30);
  return AddressInReply(uart_.UartRcvNbyt(link_.ChanAdr(), kReplyBytes, kReadTimeoutMs, 1).text);
}

void NetworkSettings::SetMIpAdr(std::string_view address) {
  uart_.UartSndStr(link_.ChanAdr(), AddressSetupCommand(address));
  uart_.UartWaitTxStaEmpty(link_.ChanAdr());
  con_.ConSleep(100);
}

}  // namespace r7n
