#include "module/network_settings.h"

#include <algorithm>
#include <array>
#include <vector>

#include "console/trim_spaces.h"
#include "module/console_reply.h"
#include "module/module_software.h"

namespace r7n {
namespace {

constexpr std::string_view kReadCommand = "cat /etc/network/interfaces \r";
// How the command shows in the shell's echo of it.
constexpr std::string_view kReadCommandEcho = "cat /etc/network/interfaces";
constexpr std::string_view kAddressWord = "address";
// The shell prints the file and its prompt at once; a slow machine may take
// a while to start cat. A shell that does not answer is given up after
// 300 ms, as always.
constexpr ListenLimits kReadLimits{.silent_ms = 300, .settle_ms = 50, .total_ms = 3000};

std::array<std::string, 6> SetupLines(std::string_view address) {
  return {
      "auto lo",
      "iface lo inet loopback",
      "iface eth0 inet static",
      "address " + std::string(address),
      "netmask 255.255.255.0",
      "mtu 9000",
  };
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

// The address when line's first word is the address keyword.
std::optional<std::string_view> AddressOnLine(std::string_view line) {
  std::size_t word = 0;
  while (word < line.size() && IsBlank(line[word])) ++word;
  line.remove_prefix(word);
  if (!line.starts_with(kAddressWord)) return std::nullopt;
  line.remove_prefix(kAddressWord.size());
  if (line.empty() || !IsBlank(line.front())) return std::nullopt;
  return TrimSpaces(line);
}

}  // namespace

AddressReading AddressInReply(std::string_view reply) {
  const std::string readable = ReadableReply(reply);
  const std::string_view text(readable);
  std::size_t start = 0;
  // Only lines whose end has arrived: a cut-off line may lack part of the address.
  for (std::size_t end; (end = text.find_first_of("\r\n", start)) != std::string_view::npos;
       start = end + 1) {
    if (const auto address = AddressOnLine(text.substr(start, end - start))) {
      return {1, std::string(*address)};
    }
  }
  return {0, std::string(kUnknownAddress)};
}

std::string AddressSetupCommand(std::string_view address) {
  // echo -e turns each backslash-n into a line end on the module.
  std::string command = "echo -e \"";
  for (const std::string& line : SetupLines(address)) command += line + "\\n";
  command += "\" > /etc/network/interfaces\r";
  return command;
}

bool ReplyShowsSetup(std::string_view reply, std::string_view address) {
  const auto printed = CommandOutput(ReadableReply(reply), kReadCommandEcho);
  if (!printed) return false;
  // Blank lines at the end are echo's own line end and a prompt's leading one.
  std::vector<std::string> file = *printed;
  while (!file.empty() && file.back().empty()) file.pop_back();
  const std::array<std::string, 6> lines = SetupLines(address);
  return std::equal(file.begin(), file.end(), lines.begin(), lines.end());
}

std::string NetworkSettings::ReadFile() {
  link_.UartRcvInit(link_.ChanAdr());
  uart_.UartSndStr(link_.ChanAdr(), kReadCommand);
  uart_.RcvPause(30);
  const auto prompt_back = [](std::string_view readable) {
    return RootPromptVariant(readable) != kVariantUnknown;
  };
  return listener_.Listen(prompt_back, kReadLimits).reply;
}

AddressReading NetworkSettings::GetMIpAdr() {
  return AddressInReply(ReadFile());
}

void NetworkSettings::SetMIpAdr(std::string_view address) {
  uart_.UartSndStr(link_.ChanAdr(), AddressSetupCommand(address));
  uart_.UartWaitTxStaEmpty(link_.ChanAdr());
  con_.ConSleep(100);
}

std::int32_t NetworkSettings::ChkMIpAdr(std::string_view address) {
  return ReplyShowsSetup(ReadFile(), address) ? 1 : 0;
}

}  // namespace r7n
