#include "verbs/controller_version.h"

#include "console/trim_spaces.h"

namespace r7n {
namespace {

constexpr int kBetweenSendsMs = 50;
// The controller answers at once; once its reply has been quiet for 300 ms
// the prompt has come. A second of silence is nobody there.
constexpr ListenLimits kReplyLimits{.silent_ms = 1000, .settle_ms = 300, .total_ms = 3000};

}  // namespace

std::vector<std::string> VersionLines(std::string_view readable) {
  std::vector<std::string> lines;
  for (std::size_t end = readable.find('\n'); end != std::string_view::npos;
       end = readable.find('\n')) {
    std::string_view line = readable.substr(0, end);
    readable.remove_prefix(end + 1);
    while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    line = TrimSpaces(line);
    if (!line.empty() && line != "V") lines.emplace_back(line);
  }
  return lines;
}

std::vector<std::string> ReadControllerVersion(UartLink& link, UartTransfer& uart,
                                               ConsoleListener& listener) {
  link.UartSelChan(0);
  // What the controller said before the question is not its answer.
  link.UartRcvInit(link.ChanAdr());
  uart.UartSndStrDly("\r");
  uart.RcvPause(kBetweenSendsMs);
  link.UartRcvInit(link.ChanAdr());
  uart.UartSndStrDly("V\r");
  const Heard heard = listener.Listen(
      [](std::string_view readable) { return !VersionLines(readable).empty(); }, kReplyLimits);
  return VersionLines(heard.readable);
}

}  // namespace r7n
