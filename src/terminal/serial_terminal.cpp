#include "terminal/serial_terminal.h"

#include <string>

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

}  // namespace

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
  ReceiveParser parser(screen);
  // Macros and keys of several bytes are sent 10 ms a byte; what arrives in
  // the meantime is shown between the bytes rather than lost to the FIFO.
  uart_.SetPacingHook([&] { DrainReceiver(parser); });
  struct HookReset {
    UartTransfer& uart;
    ~HookReset() { uart.SetPacingHook(nullptr); }
  } hook_reset{uart_};
  for (;;) {
    const bool flowing = DrainReceiver(parser);
    capture.Flush();
    // While bytes flow, a waiting key is taken at once: its send already
    // keeps the receiver unread for 10 ms, and a pause on top of that would
    // let the FIFO overflow.
    if (!flowing) QuietPause();
    const KeyCode key = con_.ConKey();
    if (key.empty()) {
      if (flowing) con_.ConSleep(kFlowingPassMs);
      continue;
    }
    if (!HandleKey(key)) return;
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

bool SerialTerminal::DrainReceiver(ReceiveParser& parser) {
  int shown = 0;
  while (shown < kMaxBytesPerPass) {
    const std::int32_t waiting = uart_.UartRcvCnt(link_.ChanAdr());
    if (waiting == 0) break;
    parser.Feed(uart_.UartRcvNbyt(link_.ChanAdr(), waiting, kReceiveTimeoutMs, 0).text);
    shown += waiting;
  }
  return shown > 0;
}

void SerialTerminal::QuietPause() {
  for (int paused = 0; paused < kQuietPassMs; paused += kQuietSliceMs) {
    con_.ConSleep(kQuietSliceMs);
    if (uart_.UartRcvCnt(link_.ChanAdr()) != 0) return;
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
