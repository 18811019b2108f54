// What a module's console sends back, as the login dialogue and the address
// flows read it: arbitrary bytes as the reply. Checked for the rules that hold
// for every reply: no escape byte survives in the readable text, which is
// never longer than the reply; an address found is one line; a set-up file is
// recognised exactly when the reply carries it between the echo and a prompt.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "module/console_reply.h"
#include "module/network_settings.h"

namespace r7n::fuzz {
namespace {

void CheckReadable(std::string_view reply) {
  const std::string readable = ReadableReply(reply);
  Require(readable.size() <= reply.size(), "the readable text is no longer than the reply");
  Require(readable.find('\x1b') == std::string::npos, "no escape byte is left");
  RootPromptVariant(readable);
  LoginScreenVariant(readable);
  AtLoginPrompt(readable);
  AtPasswordPrompt(readable);
}

void CheckAddress(std::string_view reply) {
  const AddressReading reading = AddressInReply(reply);
  if (reading.found == 0) {
    Require(reading.address == kUnknownAddress, "not found gives the placeholder");
  } else {
    Require(reading.address.find_first_of("\r\n") == std::string::npos, "an address is one line");
  }
}

// The reply a shell gives when the file holds what S wrote, with the fuzzed
// bytes in front of it as noise from before: always recognised.
void CheckSetupRecognised(std::string_view noise) {
  const std::string reply = std::string(noise) +
                            "\r\ncat /etc/network/interfaces \r\n\x1b[?2004l\rauto lo\r\n"
                            "iface lo inet loopback\r\niface eth0 inet static\r\n"
                            "address 192.168.127.130\r\nnetmask 255.255.255.0\r\nmtu 9000\r\n"
                            "\r\n\x1b[?2004hroot@kt20r-r7n:~# ";
  // Noise that itself holds the command's echo may be taken for it; the file
  // then has lines more, and is not recognised, which is the safe side.
  std::string lines = ReadableReply(noise);
  std::erase(lines, '\r');  // as the lines of a reply are read
  if (lines.find("cat /etc/network/interfaces") != std::string::npos) return;
  Require(ReplyShowsSetup(reply, "192.168.127.130"), "the written file is recognised");
  Require(!ReplyShowsSetup(reply, "192.168.127.131"), "another address is not");
}

}  // namespace
}  // namespace r7n::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view reply(reinterpret_cast<const char*>(data), size);
  r7n::fuzz::CheckReadable(reply);
  r7n::fuzz::CheckAddress(reply);
  r7n::fuzz::CheckSetupRecognised(reply);
  return 0;
}
