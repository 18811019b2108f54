#include "terminal/serial_terminal.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <ostream>
#include <sstream>
#include <string>

#include "testing/program_harness.h"

namespace r7n {
namespace {

using testing::ProgramHarness;

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteConfig(const ProgramHarness& h, const std::string& text) {
  std::ofstream(h.Dir() / "R7n_Uart.cfg", std::ios::binary) << text;
}

struct MacroKeyCase {
  KeyCode key;
  int macro;
  friend void PrintTo(const MacroKeyCase& c, std::ostream* os) { *os << "macro_" << c.macro; }
};

class MacroKeyTest : public ::testing::TestWithParam<MacroKeyCase> {};

TEST_P(MacroKeyTest, FunctionKeysPlayTheirMacro) {
  EXPECT_EQ(MacroNumberOfKey(GetParam().key), GetParam().macro);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, MacroKeyTest,
    ::testing::Values(MacroKeyCase{KeyF1, 1}, MacroKeyCase{ExtendedKey(0x40), 6},
                      MacroKeyCase{KeyF10, 10}, MacroKeyCase{KeyF11, 11}, MacroKeyCase{KeyF12, 12},
                      MacroKeyCase{KeyShiftF1, 13}, MacroKeyCase{ExtendedKey(0x56), 15},
                      MacroKeyCase{KeyShiftF10, 22}, MacroKeyCase{KeyShiftF11, 23},
                      MacroKeyCase{KeyShiftF12, 24}, MacroKeyCase{ExtendedKey(0x3A), 0},
                      MacroKeyCase{ExtendedKey(0x45), 0}, MacroKeyCase{ExtendedKey(0x5E), 0},
                      MacroKeyCase{ExtendedKey(0x84), 0}, MacroKeyCase{ExtendedKey(0x89), 0},
                      MacroKeyCase{KeyHome, 0}, MacroKeyCase{"\xFF", 0}, MacroKeyCase{";", 0}));

struct SendCase {
  KeyCode key;
  std::string wire;
  friend void PrintTo(const SendCase& c, std::ostream* os) {
    for (char b : c.key) *os << std::hex << (static_cast<int>(b) & 0xFF) << "_";
  }
};

class TerminalKeySendTest : public ::testing::TestWithParam<SendCase> {};

// Keys typed in a terminal on module A of base unit 2 (key E), as they reach
// the module over the line.
TEST_P(TerminalKeySendTest, SendsWhatTheKeyboardTableSays) {
  ProgramHarness h;
  h.KeyAt(100, "e");
  h.KeyAt(500, GetParam().key);
  h.KeyAt(1000, KeyShiftF2);
  h.KeyAt(1500, "q");
  h.Run();
  EXPECT_EQ(h.Chassis().Base(2).Line(sim::Device::kModuleA).ToDevice(), GetParam().wire);
}

INSTANTIATE_TEST_SUITE_P(Keys, TerminalKeySendTest,
                         ::testing::Values(SendCase{"\x1a", "\x03"}, SendCase{KeyLeft, "\x1b[D"},
                                           SendCase{KeyRight, "\x1b[C"}, SendCase{KeyUp, "\x1b[A"},
                                           SendCase{KeyDown, "\x1b[B"}, SendCase{KeyDel, "\x7f"},
                                           SendCase{KeyHome, "\xFF\x47"}, SendCase{"\r", "\r"},
                                           SendCase{"\b", "\b"}, SendCase{"\x1b", "\x1b"},
                                           SendCase{"\t", "\t"}, SendCase{"a", "a"},
                                           SendCase{KeyF1, ""} /* no macro defined */));

TEST(SerialTerminal, ModuleKeyOpensItsConsoleBelowTheMenuAndAMacroLogsIn) {
  ProgramHarness h;
  WriteConfig(h, "#F1 \"root\" CR\n#SF3 \"Tr7nAdm1n\" CR\n");
  h.KeyAt(100, "E");
  std::string header;
  h.ProbeAt(300, [&] { header = h.Row(19); });
  h.KeyAt(400, KeyF1);
  h.KeyAt(800, ExtendedKey(0x56));  // Shift-F3
  bool at_shell = false;
  h.ProbeAt(2000, [&] { at_shell = h.Chassis().MutableBase(2).Module(0)->AtShell(); });
  h.KeyAt(2500, KeyShiftF2);
  h.KeyAt(3000, "q");
  h.Run();
  EXPECT_EQ(header,
            "R7N Base #2 Mod A - HPS Console   <Fx>Macro  <SF1>Help  <SF2>Exit  Baud: 115200");
  EXPECT_TRUE(at_shell);
  EXPECT_EQ(h.Chassis().Base(2).SelectedDevice(), sim::Device::kZcp) << "channel 0 again";
  const std::string capture = ReadFile(h.Dir() / "Term.txt");
  EXPECT_NE(capture.find("root\r\nPassword: "), std::string::npos) << capture;
  EXPECT_NE(capture.find("root@"), std::string::npos) << capture;
}

TEST(SerialTerminal, ZcpKeyClearsTheScreenAndShowsTheConfiguredRate) {
  ProgramHarness h;
  WriteConfig(h, "#COMMODE 57600\n");
  h.KeyAt(100, "1");
  std::string header;
  h.ProbeAt(300, [&] { header = h.Row(1); });
  h.KeyAt(500, KeyShiftF2);
  h.KeyAt(1000, "q");
  h.Run();
  EXPECT_EQ(header, "R7N Base #1 ZCP Console   <Fx>Macro  <SF1>Help  <SF2>Exit  Baud: 57600");
  EXPECT_EQ(h.Chassis().Base(1).Uart().Divisor(), 2170) << "the configured rate is programmed";
}

TEST(SerialTerminal, ContinuousOutputAtLineRateLosesNothingEvenWhileKeysAreTyped) {
  // A silent slot ignores the keys, so what it sends is exactly the stream.
  testing::HarnessOptions options;
  options.chassis.base1.modules[0] = sim::ModuleKind::kSilent;
  ProgramHarness h(options);
  std::string stream;
  for (int line = 0; stream.size() < 40'000; ++line) {
    stream += "output line " + std::to_string(line) + " of a busy module\r\n";
  }
  h.KeyAt(100, "a");
  h.ProbeAt(200, [&] { h.Chassis().MutableBase(1).Inject(sim::Device::kModuleA, stream); });
  std::size_t captured_mid_session = 0;
  h.ProbeAt(2000, [&] {
    std::error_code ignored;
    captured_mid_session =
        static_cast<std::size_t>(std::filesystem::file_size(h.Dir() / "Term.txt", ignored));
  });
  h.KeysFrom(450, 250, {"x", "\x1a", "\r", "y", "z", "\x1a", "w", "\r", "v", "u"});
  h.KeyAt(5000, KeyShiftF2);
  h.KeyAt(5500, "q");
  h.Run();
  EXPECT_EQ(h.Chassis().Base(1).Uart().RxBytesLost(), 0);
  EXPECT_EQ(h.Chassis().Base(1).Line(sim::Device::kModuleA).ToDevice(), "x\x03\ryz\x03w\rvu");
  const std::string captured = ReadFile(h.Dir() / "Term.txt");
  EXPECT_EQ(captured.size(), stream.size());
  EXPECT_TRUE(captured == stream) << "the capture differs from what the module sent";
  EXPECT_GT(captured_mid_session, 10'000u) << "the capture reaches the file while it runs";
}

TEST(SerialTerminal, HelpKeyShowsTheHelpTextAndTheSessionGoesOn) {
  ProgramHarness h;
  WriteConfig(h, "#HELP first line\n#HELP \"\n#HELP third\n");
  h.KeyAt(100, "1");
  h.KeyAt(300, KeyShiftF1);
  std::string rows;
  int cursor_row = 0;
  h.ProbeAt(500, [&] {
    rows = h.Row(1) + "|" + h.Row(2) + "|" + h.Row(3) + "|" + h.Row(4);
    cursor_row = h.Shown().cursor_row;
  });
  h.KeyAt(600, "V");
  h.KeyAt(1000, KeyShiftF2);
  h.KeyAt(1500, "q");
  h.Run();
  EXPECT_EQ(rows, "first line||third|");
  EXPECT_EQ(cursor_row, 5);
  EXPECT_EQ(h.Chassis().Base(1).Line(sim::Device::kZcp).ToDevice(), "V") << "still in session";
}

TEST(SerialTerminal, HelpKeyWithoutHelpTextPrintsOneEmptyLine) {
  ProgramHarness h;
  h.KeyAt(100, "1");
  int cursor_row = 0;
  std::string first;
  h.KeyAt(300, KeyShiftF1);
  h.ProbeAt(500, [&] {
    cursor_row = h.Shown().cursor_row;
    first = h.Row(1);
  });
  h.KeyAt(1000, KeyShiftF2);
  h.KeyAt(1500, "q");
  h.Run();
  EXPECT_EQ(first, "");
  EXPECT_EQ(cursor_row, 2);
}

TEST(SerialTerminal, SecondSessionOverwritesTheCaptureAndKeepsTheColours) {
  ProgramHarness h;
  h.KeyAt(100, "a");
  h.ProbeAt(200,
            [&] { h.Chassis().MutableBase(1).Inject(sim::Device::kModuleA, "one\x1b[31mred"); });
  h.KeyAt(500, KeyShiftF2);
  h.KeyAt(700, "b");
  h.ProbeAt(800, [&] { h.Chassis().MutableBase(1).Inject(sim::Device::kModuleB, "\x1b[1mtwo"); });
  Cell two_cell;
  h.ProbeAt(1000, [&] { two_cell = h.CellAt(22, 1); });
  h.KeyAt(1100, KeyShiftF2);
  h.KeyAt(1500, "q");
  h.Run();
  EXPECT_EQ(ReadFile(h.Dir() / "Term.txt"), "two");
  EXPECT_EQ(two_cell, (Cell{'t', 12, 0})) << "bold on the red left by the first session";
}

TEST(SerialTerminal, RunsWithoutCaptureWhenTermTxtCannotBeCreated) {
  ProgramHarness h;
  std::filesystem::create_directory(h.Dir() / "Term.txt");
  h.KeyAt(100, "a");
  h.ProbeAt(200, [&] { h.Chassis().MutableBase(1).Inject(sim::Device::kModuleA, "hello"); });
  std::string row;
  h.ProbeAt(400, [&] { row = h.Row(22); });
  h.KeyAt(500, KeyShiftF2);
  h.KeyAt(1000, "q");
  const auto outcome = h.Run();
  EXPECT_EQ(outcome.exit_status, 0);
  EXPECT_EQ(row, "hello");
}

}  // namespace
}  // namespace r7n

namespace r7n {
namespace {

TEST(SerialTerminal, WhatArrivesWhileAMacroIsSentIsShownNotLost) {
  testing::ProgramHarness h;
  std::ofstream(h.Dir() / "R7n_Uart.cfg")
      << "#F1 \"root\" CR\n#F2 \"R7nAdm1n\" CR\n#F4 \"cat /etc/network/interfaces\" CR\n";
  h.KeysFrom(100, 1000, {"a", KeyF1, ExtendedKey(0x3C), ExtendedKey(0x3E)});  // F1 F2 F4
  h.KeyAt(6000, KeyShiftF2);
  h.KeyAt(6500, "q");
  h.Run();
  std::ifstream in(h.Dir() / "Term.txt", std::ios::binary);
  const std::string capture{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  EXPECT_EQ(h.Chassis().Base(1).Uart().RxBytesLost(), 0);
  EXPECT_NE(capture.find("    address 192.168.0.11\r\n    netmask 255.255.255.0\r\n"),
            std::string::npos)
      << "the whole file reaches the capture";
}

}  // namespace
}  // namespace r7n
