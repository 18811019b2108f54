#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "keys/key_code.h"

namespace r7n {

// Turns the bytes that a terminal in raw mode sends for key presses into Key
// codes. The terminal sends function and cursor keys as escape sequences and
// other characters as UTF-8; the decoder is fed one byte at a time together
// with the time it was read, so that a lone Esc can be told from Alt with a
// key by timing alone, and the same input always gives the same keys.
//
// Sequences understood:
//   xterm and the terminals that follow it (VTE, konsole, tmux and screen with
//   TERM=screen* or tmux*): CSI and SS3 forms of the cursor block and F1-F12,
//   application cursor mode, the modifier parameter (2 Shift, 3 Alt,
//   4 Shift+Alt, 5 Ctrl, 6 Shift+Ctrl, 7 Ctrl+Alt, 8 all three), CSI Z for
//   Shift-Tab, CSI 1~ / 4~ for Home / End, the application keypad, and the
//   modified-key reports CSI 27;m;c~ and CSI c;m u (xterm modifyOtherKeys,
//   tmux extended-keys), the only way Ctrl-Tab and Ctrl-Backspace can come.
//   rxvt: CSI 7~ / 8~ Home / End, CSI 11~..14~ F1-F4, the final bytes $ ^ @
//   for Shift, Ctrl and Ctrl+Shift, CSI a-d Shift and SS3 a-d Ctrl arrows.
//   Linux console: CSI [A..[E F1-F5, CSI 17~..24~ F6-F12, and CSI 25~..34~,
//   which it sends for Shift-F3..Shift-F10 (rxvt does the same).
//   Alt: an ESC in front of a character or in front of a whole sequence.
//
// Keys that a terminal cannot deliver or tell apart, from the key tables of
// xterm, rxvt and the kernel's default console keymap:
//   Ctrl-Tab            sends Tab (9), so it gives 9 unless modified-key
//                       reports are on; Shift-Tab on the Linux console sends
//                       Tab too.
//   Ctrl-Backspace      sends 0x08, the same as Ctrl-H, so it gives 8; 127 only
//                       comes from a modified-key report. Where Backspace sends
//                       0x08 and Ctrl-Backspace 0x7F, both give 8.
//   Ctrl-I, Ctrl-M      are Tab and Enter; Ctrl-[ and Ctrl-3 are Esc; Ctrl-2
//                       and Ctrl-Space send NUL, which gives nothing; on the
//                       Linux console Ctrl-8 and Ctrl-/ send 0x7F and give 8.
//   Ctrl-Alt-H, -I, -M  arrive as ESC with 0x08, Tab, CR, read as Alt with
//                       Backspace, Tab and Enter.
//   Shift + cursor key  the plain code results either way; Shift-PgUp, -PgDn
//                       and -Ins are usually taken by the terminal (scrollback,
//                       paste), and Ctrl-PgUp / -PgDn by tabbed terminals.
//   Linux console       Shift-F1 and Shift-F2 send F11 and F12, so they give
//                       0x85 / 0x86; Shift-F11 / -F12 and Ctrl-F1..F12 send the
//                       plain keys; Alt-F1..F12, Ctrl-Alt-F1..F12 and
//                       Alt-Left / -Right switch virtual consoles; Ctrl and Alt
//                       with the cursor block send the plain keys.
//   rxvt                Shift-F1 / -F2 send F11 / F12 as well, and Ctrl-Shift-F1
//                       / -F2 send Ctrl-F11 / -F12.
//   Alt-Tab, Alt-F4,    are taken by window managers; F1, F10 and F11 by many
//   Ctrl-Alt-Del        terminal emulators (help, menu, full screen).
//   Numeric keypad      with Num Lock off it sends the cursor-block sequences,
//                       so it gives the cursor-block codes (also with Shift and
//                       Alt); with Num Lock on it sends the same digits as the
//                       main keys; its 5 (CSI E, CSI G) gives nothing.
//   Alt                 needs the terminal to send ESC in front (xterm:
//                       metaSendsEscape); xterm's eight-bit meta sends a Latin-1
//                       character instead, delivered as that character if code
//                       page 437 has it. Esc followed by a key within
//                       kEscapeTimeoutUs, or in the same read while the program
//                       was busy, is Alt with that key. Alt-[ and Alt-Shift-O
//                       begin a sequence and are only known as keys after the
//                       time-out, so a key that follows them at once is misread.
class TerminalKeyDecoder {
 public:
  // How long an incomplete sequence may wait for its next byte before it is
  // taken as the keys typed so far (a lone ESC is the Esc key). Terminals
  // write a sequence in one go, so 50 ms covers slow links without making Esc
  // feel late.
  static constexpr std::int64_t kEscapeTimeoutUs = 50'000;
  // Longest parameter string kept; real key sequences need at most 9
  // ("27;8;127"). Longer ones are read to their end and dropped.
  static constexpr std::size_t kMaxParameterBytes = 16;

  // Feeds one byte read at now_us; appends the keys it completes.
  void Add(std::uint8_t byte, std::int64_t now_us, std::vector<KeyCode>& out);
  // Called when no byte has come for a while: an incomplete sequence whose
  // last byte is at least kEscapeTimeoutUs old is resolved.
  void Timeout(std::int64_t now_us, std::vector<KeyCode>& out);
  // True while bytes wait for the rest of a sequence, so the caller knows to
  // call Timeout later.
  bool HasPending() const { return state_ != State::kGround; }

 private:
  enum class State { kGround, kEscape, kCsi, kSs3, kLinuxFunction, kUtf8 };

  void AddGround(std::uint8_t byte, std::vector<KeyCode>& out);
  void AddAfterEscape(std::uint8_t byte, std::vector<KeyCode>& out);
  void AddInSequence(std::uint8_t byte, std::vector<KeyCode>& out);
  void AddLinuxFunction(std::uint8_t byte, std::vector<KeyCode>& out);
  void AddUtf8(std::uint8_t byte, std::vector<KeyCode>& out);
  void BeginSequence(State state);
  void BeginUtf8(std::uint8_t lead);
  void Dispatch(std::uint8_t final_byte, std::vector<KeyCode>& out) const;
  void Flush(std::vector<KeyCode>& out);
  // Drops an incomplete sequence and reads the byte that broke it afresh.
  void Restart(std::uint8_t byte, std::vector<KeyCode>& out);

  State state_ = State::kGround;
  std::int64_t last_byte_us_ = 0;
  // An extra ESC came before this sequence or key: Alt is held.
  bool alt_prefix_ = false;
  std::array<char, kMaxParameterBytes> parameters_{};
  std::size_t parameter_length_ = 0;
  bool parameters_overflowed_ = false;
  char32_t code_point_ = 0;
  int utf8_length_ = 0;
  int utf8_remaining_ = 0;
};

}  // namespace r7n
