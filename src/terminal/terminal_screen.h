#pragma once

#include <cstdint>
#include <string_view>

#include "console/console.h"
#include "terminal/receive_parser.h"
#include "terminal/term_colors.h"

namespace r7n {

// Where the received bytes that are shown as themselves are copied to (the
// session's capture file). A plain byte sink: opening and closing the file is
// the session's business.
class CaptureSink {
 public:
  virtual ~CaptureSink() = default;
  virtual void Write(std::string_view bytes) = 0;
};

// Carries the receive parser's events out on the console: what the far end
// sends is drawn at the cursor in the terminal's colours and, where it is
// shown as itself, captured.
//
// Tab stops and the erase of ESC [ J follow the window's real width, so on an
// 80-column window the erase blanks columns c to 79 and a TAB from column 73
// on has no stop to go to.
class TerminalScreen : public ReceiveSink {
 public:
  // capture may be null: the session then runs without a capture file.
  TerminalScreen(Console& console, TermColors& colors, CaptureSink* capture)
      : console_(console), colors_(colors), capture_(capture) {}

  void Shown(std::uint8_t byte) override;
  void Visible(std::string_view text) override;
  void Tab() override;
  void Backspace() override;
  void Bell() override;
  void Sgr(int n) override;
  void EraseToEnd() override;

 private:
  static constexpr int kTabWidth = 8;

  Console& console_;
  TermColors& colors_;
  CaptureSink* capture_;
};

}  // namespace r7n
