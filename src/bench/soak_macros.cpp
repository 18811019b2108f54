#include "bench/soak_macros.h"

namespace r7n::bench {

std::string SoakConfigText() {
  return "' Function keys of the soak: every command of the macro language\r\n"
         "#COMMODE 115200\r\n"
         "#F1 \"root\" CR\r\n"
         "#F2 \"ls -l\" CR LF\r\n"
         "#F3 $3 $&H1B \"[A\" $&O101 $&B1000010\r\n"
         "#F4 \"exit\" W500 CR\r\n"
         "#F5 W1000 \"x\"\r\n"
         "#F6 \"abc\" W-1 \"def\"\r\n"
         "#F7 W2000 \"late\"\r\n"
         "#F8 \"y\" W0 \"z\" w-7 CR\r\n"
         "#F9 first line\r\n"
         "second line\r\n"
         "#F10 \"quote ' inside\" ' and a comment\r\n"
         "#F11 \"unterminated\r\n"
         "#F12 $255 $0 $256\r\n"
         "#SF3 \"shift\" CR LF\r\n"
         "#sf12 LF LF CR\r\n"
         "#HELP\r\n"
         "F1 root  F2 ls  F3 codes\r\n"
         "\"\r\n"
         "Shift-F2 ends the session\r\n";
}

const std::vector<SoakMacro>& FlowingMacros() {
  static const std::vector<SoakMacro> kMacros{
      {KeyF1, "root\r"},
      {ExtendedKey(0x3C), "ls -l\r\n"},                          // F2
      {ExtendedKey(0x3D), std::string("\x03\x1b[AAB")},          // F3
      {ExtendedKey(0x42), "yz\r"},                               // F8: W0 and W-7 do not wait
      {ExtendedKey(0x43), "", MacroWait::kNone, 0, true, true},  // F9
      {KeyF10, "quote ' inside"},
      {KeyF11, "unterminated "},  // the appended space ends the open quote
      {KeyF12, std::string("\xff\x00\x00", 3)},
      {ExtendedKey(0x56), "shift\r\n"},  // Shift-F3
      {KeyShiftF12, "\n\n\r"},
      {ExtendedKey(0x57), "", MacroWait::kNone, 0, false},  // Shift-F4: no macro
      {KeyShiftF11, "", MacroWait::kNone, 0, false},
  };
  return kMacros;
}

const std::vector<SoakMacro>& WaitingMacros() {
  static const std::vector<SoakMacro> kMacros{
      {ExtendedKey(0x3E), "exit\r", MacroWait::kFixed, 500},    // F4
      {ExtendedKey(0x3F), "x", MacroWait::kFixed, 1000},        // F5
      {ExtendedKey(0x40), "abcdef", MacroWait::kUntilKey, 0},   // F6
      {ExtendedKey(0x41), "late", MacroWait::kCutShort, 2000},  // F7
  };
  return kMacros;
}

}  // namespace r7n::bench
