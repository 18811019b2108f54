#include "terminal/serial_terminal.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "terminal/capture_file.h"
#include "terminal/receive_parser.h"
#include "terminal/terminal_screen.h"

namespace r7n {
namespace {

bool InRange(const KeyCode& key, const KeyCode& first, const KeyCode& last) {
  return IsExtendedKey(key) && key >= first && key <= last;
}

int Offset(const KeyCode& key, const KeyCode& first) {
  return static_cast<std::uint8_t>(key[1]) - static_cast<std::uint8_t>(first[1]);
}

// Keys that send something other than their own code.
struct KeySend {
  const KeyCode& key;
  const char* bytes;
};

constexpr char kBel = '\a';
constexpr std::int64_t kUsPerMs = 1000;

}  // namespace

// The far end's BELs, sounded so that they cannot hold the session up. A beep
// keeps the console for a quarter of a second, in which a module printing at
// 115200 bit/s overflows the 128-byte receive FIFO twenty times over, and a
// flood of BELs would keep the keyboard unread for minutes. So a BEL only
// makes the bell due, and it sounds once the line has gone quiet, one beep for
// all the BELs before it. BELs read within one beep length after a beep ended
// belong to it, since those that arrived while it sounded are only read then;
// a flood thus gets the console for at most half of the time.
class PacedBell : public ReceiveSink {
 public:
  PacedBell(ReceiveSink& screen, Console& console) : screen_(screen), con_(console) {}

  void Shown(std::uint8_t byte) override { screen_.Shown(byte); }
  void Visible(std::string_view text) override;
  void Tab() override { screen_.Tab(); }
  void Backspace() override { screen_.Backspace(); }
  void Bell() override;
  void Sgr(int n) override { screen_.Sgr(n); }
  void EraseToEnd() override { screen_.EraseToEnd(); }

  // Sounds the bell if a BEL has made it due; for a moment when nothing is
  // arriving.
  void RingIfDue();

 private:
  static constexpr std::int64_t kBeepUs = Console::kBeepMs * kUsPerMs;

  ReceiveSink& screen_;
  Console& con_;
  bool due_ = false;
  std::optional<std::int64_t> last_beep_end_us_;
};

void PacedBell::Visible(std::string_view text) {
  // The byte after an unknown ESC [ sequence is printed as it is, and printing
  // a BEL beeps at once: it takes the paced way instead.
  for (std::size_t bel = text.find(kBel); bel != std::string_view::npos; bel = text.find(kBel)) {
    if (bel > 0) screen_.Visible(text.substr(0, bel));
    Bell();
    text.remove_prefix(bel + 1);
  }
  if (!text.empty()) screen_.Visible(text);
}

void PacedBell::Bell() {
  if (last_beep_end_us_ && con_.GetClock().NowUs() < *last_beep_end_us_ + kBeepUs) return;
  due_ = true;
}

void PacedBell::RingIfDue() {
  if (!due_) return;
  due_ = false;
  con_.ConBeep();
  last_beep_end_us_ = con_.GetClock().NowUs();
}

int MacroNumberOfKey(const KeyCode& key) {
  if (InRange(key, KeyF1, KeyF10)) return 1 + Offset(key, KeyF1);
  if (InRange(key, KeyF11, KeyF12)) return 11 + Offset(key, KeyF11);
  if (InRange(key, KeyShiftF1, KeyShiftF10)) return 13 + Offset(key, KeyShiftF1);
  if (InRange(key, KeyShiftF11, KeyShiftF12)) return 23 + Offset(key, KeyShiftF11);
  return 0;
}

void SerialTerminal::UartTerm(std::string_view title) {
  PrintHeader(title);
  CaptureFile capture;
  TerminalScreen screen(con_, colors_, capture.IsOpen() ? &capture : nullptr);
  PacedBell bell(screen, con_);
  ReceiveParser parser(bell);
  // Macros and keys of several bytes are sent 10 ms a byte, and macros wait;
  // what arrives in the meantime is shown rather than lost to the FIFO.
  // Flushed at once: Ctrl-C ends the process without flushing, and what
  // has been shown must be in the file.
  // On the real clock the pump's reader keeps the FIFO drained while the
  // session draws, sends and waits.
  const ListeningScope listening(pump_, link_.ChanAdr(), [&] {
    DrainReceiver(parser);
    capture.Flush();
  });
  received_since_pass_ = false;
  Clock& clock = con_.GetClock();
  const std::int64_t start_us = clock.NowUs();
  LineTimes times{start_us, start_us};
  for (;;) {
    DrainReceiver(parser);
    // What a paced send or a macro's wait showed counts too: a pass that
    // comes right after one finds the receiver just emptied, not quiet.
    const bool arrived = std::exchange(received_since_pass_, false);
    if (arrived) times.last_arrival_us = times.last_activity_us = clock.NowUs();
    WaitBetweenPasses(arrived, times, bell, capture);
    const KeyCode key = con_.ConKey();
    if (key.empty()) continue;
    capture.Flush();
    if (!HandleKey(key)) return;
    times.last_activity_us = clock.NowUs();
  }
}

void SerialTerminal::WaitBetweenPasses(bool arrived, const LineTimes& times, PacedBell& bell,
                                       CaptureFile& capture) {
  // Between the bursts of a line a pass waits only for the next bytes,
  // without showing the screen (the pump decides how: for the reader
  // thread's news, or a slice on a slow line and not at all on a fast one).
  // The line is quiet once a whole slice has brought nothing; only then
  // does a pass pause and show.
  Clock& clock = con_.GetClock();
  const std::int64_t silent_us = clock.NowUs() - times.last_arrival_us;
  const bool quiet = silent_us >= std::int64_t{ReceiveTiming::kQuietSliceMs} * kUsPerMs;
  // The file holds at least what the screen shows: it is written out
  // before every showing of the screen (the next key read shows it when
  // due, a quiet pause always).
  if (quiet || con_.PresentDue()) capture.Flush();
  if (quiet) {
    QuietPause(bell, times.last_activity_us);
  } else {
    pump_.AwaitArrival(arrived);
  }
}

void SerialTerminal::PrintHeader(std::string_view title) {
  std::string header(title);
  header += "   <Fx>Macro  <SF1>Help  <SF2>Exit  Baud: ";
  header += std::to_string(link_.BaudRate());
  con_.ConPrint(header, true);
  con_.ConPrint("", true);
  con_.ConPrint("", true);
}

void SerialTerminal::DrainReceiver(ReceiveParser& parser) {
  Clock& clock = con_.GetClock();
  const std::int64_t start_us = clock.NowUs();
  bool shown = false;
  do {
    const std::int32_t waiting = uart_.UartRcvCnt(link_.ChanAdr());
    if (waiting == 0) break;
    parser.Feed(
        uart_.UartRcvNbyt(link_.ChanAdr(), waiting, ReceiveTiming::kTerminalReceiveTimeoutMs, 0)
            .text);
    shown = true;
  } while (clock.NowUs() - start_us < ReceiveTiming::kMaxPassUs);
  if (shown) received_since_pass_ = true;
}

void SerialTerminal::QuietPause(PacedBell& bell, std::int64_t last_activity_us) {
  Clock& clock = con_.GetClock();
  bool arrived = false;
  const auto look = [&]() -> std::int64_t {
    arrived = uart_.UartRcvCnt(link_.ChanAdr()) != 0;
    if (arrived) return Console::kEndPause;
    return pump_.LookAgainUs(clock.NowUs() - last_activity_us >= ReceiveTiming::kSettledAfterUs);
  };
  for (int paused = 0; paused < ReceiveTiming::kQuietPassMs;
       paused += ReceiveTiming::kQuietSliceMs) {
    con_.ConSleepPolling(ReceiveTiming::kQuietSliceMs, look);
    if (arrived || con_.ConKeyWaiting()) return;
    // A whole slice without a byte: the far end has paused, and a beep now
    // costs nothing that it sends. An empty receiver alone does not tell,
    // since a paced send has just drained it.
    bell.RingIfDue();
  }
}

bool SerialTerminal::HandleKey(const KeyCode& key) {
  static const KeySend kSends[] = {
      {KeyLeft, "\x1b[D"}, {KeyRight, "\x1b[C"}, {KeyUp, "\x1b[A"},
      {KeyDown, "\x1b[B"}, {KeyDel, "\x7f"},
  };
  // Ctrl-C ends the program, so Ctrl-Z is the key that interrupts the far end.
  if (key == "\x1a") {
    uart_.UartSndStrDly("\x03");
    return true;
  }
  for (const KeySend& send : kSends) {
    if (key == send.key) {
      uart_.UartSndStrDly(send.bytes);
      return true;
    }
  }
  if (key == KeyShiftF1) {
    ShowHelp();
    return true;
  }
  if (key == KeyShiftF2) {
    con_.ConClear();
    return false;
  }
  if (const int macro = MacroNumberOfKey(key); macro != 0) {
    macros_.MacroPlay(macro);
    return true;
  }
  uart_.UartSndStrDly(key);
  return true;
}

void SerialTerminal::ShowHelp() {
  con_.ConClear();
  for (int line = 1; line <= tables_.HelpCnt(); ++line) con_.ConPrint(tables_.HelpLine(line), true);
  con_.ConPrint("", true);
}

}  // namespace r7n
