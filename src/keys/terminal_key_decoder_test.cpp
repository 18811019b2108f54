#include "keys/terminal_key_decoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "keys/key_table_test_data.h"

namespace r7n {
namespace {

using key_tests::Column;
using Keys = std::vector<KeyCode>;

constexpr std::int64_t kTimeout = TerminalKeyDecoder::kEscapeTimeoutUs;

KeyCode Ext(int code) {
  return ExtendedKey(static_cast<std::uint8_t>(code));
}

// All bytes arrive in one read; whatever is still pending is resolved by a
// time-out afterwards.
Keys Decode(const std::string& bytes) {
  TerminalKeyDecoder decoder;
  Keys out;
  for (char c : bytes) decoder.Add(static_cast<std::uint8_t>(c), 0, out);
  decoder.Timeout(kTimeout, out);
  return out;
}

struct Case {
  std::string bytes;
  Keys expected;
};

void ExpectCases(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    EXPECT_EQ(Decode(c.bytes), c.expected) << "bytes: " << ::testing::PrintToString(c.bytes);
  }
}

// How xterm sends a key: the plain form, and the form that carries the
// modifier parameter between prefix and suffix.
struct XtermForm {
  const char* plain;
  const char* modified_prefix;
  const char* modified_suffix;
};

XtermForm XtermFormOf(PcKey key) {
  switch (key) {
    case PcKey::kF1:
      return {"\x1bOP", "\x1b[1;", "P"};
    case PcKey::kF2:
      return {"\x1bOQ", "\x1b[1;", "Q"};
    case PcKey::kF3:
      return {"\x1bOR", "\x1b[1;", "R"};
    case PcKey::kF4:
      return {"\x1bOS", "\x1b[1;", "S"};
    case PcKey::kF5:
      return {"\x1b[15~", "\x1b[15;", "~"};
    case PcKey::kF6:
      return {"\x1b[17~", "\x1b[17;", "~"};
    case PcKey::kF7:
      return {"\x1b[18~", "\x1b[18;", "~"};
    case PcKey::kF8:
      return {"\x1b[19~", "\x1b[19;", "~"};
    case PcKey::kF9:
      return {"\x1b[20~", "\x1b[20;", "~"};
    case PcKey::kF10:
      return {"\x1b[21~", "\x1b[21;", "~"};
    case PcKey::kF11:
      return {"\x1b[23~", "\x1b[23;", "~"};
    case PcKey::kF12:
      return {"\x1b[24~", "\x1b[24;", "~"};
    case PcKey::kHome:
      return {"\x1b[H", "\x1b[1;", "H"};
    case PcKey::kUp:
      return {"\x1b[A", "\x1b[1;", "A"};
    case PcKey::kPgUp:
      return {"\x1b[5~", "\x1b[5;", "~"};
    case PcKey::kLeft:
      return {"\x1b[D", "\x1b[1;", "D"};
    case PcKey::kRight:
      return {"\x1b[C", "\x1b[1;", "C"};
    case PcKey::kEnd:
      return {"\x1b[F", "\x1b[1;", "F"};
    case PcKey::kDown:
      return {"\x1b[B", "\x1b[1;", "B"};
    case PcKey::kPgDn:
      return {"\x1b[6~", "\x1b[6;", "~"};
    case PcKey::kIns:
      return {"\x1b[2~", "\x1b[2;", "~"};
    case PcKey::kDel:
      return {"\x1b[3~", "\x1b[3;", "~"};
    case PcKey::kTab:
      break;
  }
  return {"\t", "", ""};
}

std::string XtermSequence(PcKey key, Column column) {
  const XtermForm form = XtermFormOf(key);
  switch (column) {
    case Column::kPlain:
      return form.plain;
    case Column::kShift:
      return std::string(form.modified_prefix) + "2" + form.modified_suffix;
    case Column::kCtrl:
      return std::string(form.modified_prefix) + "5" + form.modified_suffix;
    case Column::kAlt:
      return std::string(form.modified_prefix) + "3" + form.modified_suffix;
  }
  return {};
}

TEST(TerminalKeyDecoderTest, XtermSequencesGiveEveryCodeOfTheTable) {
  for (const auto& row : key_tests::kTableRows) {
    if (row.key == PcKey::kTab) continue;
    for (Column column : key_tests::kColumns) {
      SCOPED_TRACE(std::string(row.name) + " " + key_tests::ColumnName(column));
      EXPECT_EQ(Decode(XtermSequence(row.key, column)), Keys{ExpectedCode(row, column)});
    }
  }
}

TEST(TerminalKeyDecoderTest, TabInEveryColumn) {
  // Ctrl-Tab only comes as a modified-key report; plain terminals send 9.
  ExpectCases({{"\t", {"\t"}},
               {"\x1b[Z", {Ext(0x0F)}},
               {"\x1b[27;5;9~", {Ext(0x94)}},
               {"\x1b[9;5u", {Ext(0x94)}},
               {"\x1b\t", {Ext(0x0F)}}});
}

TEST(TerminalKeyDecoderTest, AltWinsOverCtrlAndCtrlOverShift) {
  ExpectCases({{"\x1b[1;4P", {Ext(0x68)}},  // Shift+Alt
               {"\x1b[1;6P", {Ext(0x5E)}},  // Shift+Ctrl
               {"\x1b[1;7P", {Ext(0x68)}},  // Ctrl+Alt
               {"\x1b[1;8P", {Ext(0x68)}},
               {"\x1b[1;6C", {Ext(0x74)}},
               {"\x1b[1;7C", {Ext(0x9D)}},
               {"\x1b[3;4~", {Ext(0xA3)}}});
}

TEST(TerminalKeyDecoderTest, AltWithCharacterKeysInEitherCase) {
  for (const auto& alt : key_tests::kAltChars) {
    SCOPED_TRACE(std::string(1, alt.ch));
    EXPECT_EQ(Decode(std::string("\x1b") + alt.ch), Keys{Ext(alt.code)});
    EXPECT_EQ(Decode(std::string("\x1b") + key_tests::Lower(alt.ch)), Keys{Ext(alt.code)});
  }
}

TEST(TerminalKeyDecoderTest, AltWithOtherKeys) {
  ExpectCases({{"\x1b\x18", {Ext(0x2D)}},  // Ctrl-Alt-X: Alt wins
               {"\x1b!", {"!"}},           // no code: the character
               {"\x1b\x7f", {"\x08"}},     // Alt-Backspace
               {"\x1b\r", {"\r"}},
               {"\x1b\x1b[A", {Ext(0x98)}},
               {"\x1b\x1b[1;5D", {Ext(0x9B)}},
               {"\x1b\x1bOP", {Ext(0x68)}},
               {"\x1b\xc3\xa9", {"\x82"}}});
}

TEST(TerminalKeyDecoderTest, NamedEdgeCases) {
  ExpectCases({{"\x1bOP", {Ext(0x3B)}},
               {"\x1b[Z", {Ext(0x0F)}},
               {"\x1b[1;5C", {Ext(0x74)}},
               {"\x1bx", {Ext(0x2D)}},
               {"\x1b[23~", {Ext(0x85)}},
               {"\r", {"\r"}},
               {"\x01", {"\x01"}}});
}

TEST(TerminalKeyDecoderTest, ApplicationCursorAndKeypadModes) {
  ExpectCases({{"\x1bOA", {Ext(0x48)}},
               {"\x1bOB", {Ext(0x50)}},
               {"\x1bOC", {Ext(0x4D)}},
               {"\x1bOD", {Ext(0x4B)}},
               {"\x1bOH", {Ext(0x47)}},
               {"\x1bOF", {Ext(0x4F)}},
               {"\x1bO5P", {Ext(0x5E)}},
               {"\x1bO2Q", {Ext(0x55)}},
               {"\x1bOp", {"0"}},
               {"\x1bOy", {"9"}},
               {"\x1bOk", {"+"}},
               {"\x1bOM", {"\r"}},
               {"\x1b\x1bOp", {}}});
}

TEST(TerminalKeyDecoderTest, TmuxAndScreenSequences) {
  ExpectCases({{"\x1b[1~", {Ext(0x47)}},
               {"\x1b[4~", {Ext(0x4F)}},
               {"\x1bOP", {Ext(0x3B)}},
               {"\x1bOS", {Ext(0x3E)}},
               {"\x1b[1;5C", {Ext(0x74)}},
               {"\x1b[15;2~", {Ext(0x58)}},
               {"\x1b[1;2P", {Ext(0x54)}},
               {"\x1b[5;5~", {Ext(0x84)}},
               {"\x1b[1;5~", {Ext(0x77)}},
               {"\x1b[4;3~", {Ext(0x9F)}},
               {"\x1b[24;5~", {Ext(0x8A)}},
               {"\x1b[2~", {Ext(0x52)}}});
}

TEST(TerminalKeyDecoderTest, RxvtSequences) {
  ExpectCases({{"\x1b[7~", {Ext(0x47)}},
               {"\x1b[8~", {Ext(0x4F)}},
               {"\x1b[11~", {Ext(0x3B)}},
               {"\x1b[12~", {Ext(0x3C)}},
               {"\x1b[13~", {Ext(0x3D)}},
               {"\x1b[14~", {Ext(0x3E)}},
               {"\x1b[23$", {Ext(0x87)}},
               {"\x1b[24$", {Ext(0x88)}},
               {"\x1b[11^", {Ext(0x5E)}},
               {"\x1b[2^", {Ext(0x92)}},
               {"\x1b[7@", {Ext(0x77)}},
               {"\x1b[25^", {Ext(0x60)}},
               {"\x1b[a", {Ext(0x48)}},
               {"\x1bOc", {Ext(0x74)}},
               {"\x1bOd", {Ext(0x73)}},
               {"\x1b\x1b[11~", {Ext(0x68)}}});
}

TEST(TerminalKeyDecoderTest, LinuxConsoleSequences) {
  // Shift-F1 and Shift-F2 send F11 and F12; Shift-F3..F10 send 25~..34~.
  ExpectCases({{"\x1b[[A", {Ext(0x3B)}},
               {"\x1b[[B", {Ext(0x3C)}},
               {"\x1b[[C", {Ext(0x3D)}},
               {"\x1b[[D", {Ext(0x3E)}},
               {"\x1b[[E", {Ext(0x3F)}},
               {"\x1b[17~", {Ext(0x40)}},
               {"\x1b[21~", {Ext(0x44)}},
               {"\x1b[23~", {Ext(0x85)}},
               {"\x1b[24~", {Ext(0x86)}},
               {"\x1b[25~", {Ext(0x56)}},
               {"\x1b[26~", {Ext(0x57)}},
               {"\x1b[28~", {Ext(0x58)}},
               {"\x1b[29~", {Ext(0x59)}},
               {"\x1b[31~", {Ext(0x5A)}},
               {"\x1b[32~", {Ext(0x5B)}},
               {"\x1b[33~", {Ext(0x5C)}},
               {"\x1b[34~", {Ext(0x5D)}},
               {"\x1b[3~", {Ext(0x53)}},
               {"\x1b[G", {}},
               {"\x1b[P", {}}});
}

TEST(TerminalKeyDecoderTest, SingleBytes) {
  ExpectCases({{"\r", {"\r"}},
               {"\x7f", {"\x08"}},
               {"\x08", {"\x08"}},
               {"\x1a", {"\x1a"}},
               {"\t", {"\t"}},
               {"a", {"a"}},
               {"~", {"~"}},
               {std::string(1, '\0'), {}},
               {"a\x1b[Ab\x1b[B", {"a", Ext(0x48), "b", Ext(0x50)}}});
}

TEST(TerminalKeyDecoderTest, ModifiedKeyReports) {
  ExpectCases({{"\x1b[127;5u", {"\x7f"}},  // Ctrl-Backspace
               {"\x1b[27;5;127~", {"\x7f"}},
               {"\x1b[127;3u", {"\x08"}},
               {"\x1b[97;5u", {"\x01"}},
               {"\x1b[97;3u", {Ext(0x1E)}},
               {"\x1b[27;2;9~", {Ext(0x0F)}},
               {"\x1b[13;5u", {"\r"}},
               {"\x1b[200;5u", {}}});
}

TEST(TerminalKeyDecoderTest, LoneEscWaitsForTheTimeOut) {
  TerminalKeyDecoder decoder;
  Keys out;
  decoder.Add(0x1B, 1000, out);
  decoder.Timeout(1000 + kTimeout - 1, out);
  EXPECT_TRUE(out.empty());
  EXPECT_TRUE(decoder.HasPending());
  decoder.Timeout(1000 + kTimeout, out);
  EXPECT_EQ(out, Keys{"\x1b"});
  EXPECT_FALSE(decoder.HasPending());
}

TEST(TerminalKeyDecoderTest, EscFollowedByALetterIsAltOnlyWithinTheTimeOut) {
  TerminalKeyDecoder decoder;
  Keys out;
  decoder.Add(0x1B, 0, out);
  decoder.Add('x', kTimeout - 1, out);
  EXPECT_EQ(out, Keys{Ext(0x2D)});
  out.clear();
  decoder.Add(0x1B, 1'000'000, out);
  decoder.Add('x', 1'000'000 + kTimeout, out);
  EXPECT_EQ(out, (Keys{"\x1b", "x"}));
}

TEST(TerminalKeyDecoderTest, IncompleteSequencesAtTheTimeOut) {
  ExpectCases({{"\x1b\x1b", {"\x1b", "\x1b"}},
               {"\x1b\x1b\x1b[A", {"\x1b", Ext(0x98)}},
               {"\x1bO", {Ext(0x18)}},  // Alt-Shift-O
               {"\x1b[", {"["}},        // Alt-[ has no code
               {"\x1b\x1b[", {"\x1b", "["}},
               {"\x1b[1;", {}},
               {"\x1b[[", {}},
               {"\xc3", {}}});
}

TEST(TerminalKeyDecoderTest, SplitSequencesByteByByte) {
  const std::vector<Case> cases = {{"\x1b[15;2~", {Ext(0x58)}}, {"\x1b[1;5C", {Ext(0x74)}},
                                   {"\x1bOP", {Ext(0x3B)}},     {"\x1b[[A", {Ext(0x3B)}},
                                   {"\x1b\x1b[A", {Ext(0x98)}}, {"\xe2\x94\x80", {"\xc4"}}};
  for (const Case& c : cases) {
    TerminalKeyDecoder decoder;
    Keys out;
    std::int64_t now = 0;
    for (char byte : c.bytes) {
      decoder.Add(static_cast<std::uint8_t>(byte), now, out);
      decoder.Timeout(now + kTimeout - 1, out);
      now += kTimeout - 1;
    }
    EXPECT_EQ(out, c.expected) << ::testing::PrintToString(c.bytes);
  }
}

TEST(TerminalKeyDecoderTest, AStalledSequenceIsDroppedAndTheRestReadAfresh) {
  TerminalKeyDecoder decoder;
  Keys out;
  for (char byte : std::string("\x1b[1")) decoder.Add(static_cast<std::uint8_t>(byte), 0, out);
  for (char byte : std::string("5~")) decoder.Add(static_cast<std::uint8_t>(byte), kTimeout, out);
  EXPECT_EQ(out, (Keys{"5", "~"}));
}

TEST(TerminalKeyDecoderTest, Utf8CharactersBecomeCodePage437Bytes) {
  ExpectCases({{"\xc3\xa9", {"\x82"}},      // e acute
               {"\xc3\xbc", {"\x81"}},      // u umlaut
               {"\xc3\x96", {"\x99"}},      // O umlaut
               {"\xc3\x9f", {"\xe1"}},      // sharp s
               {"\xc2\xa7", {"\x15"}},      // section sign
               {"\xe2\x94\x80", {"\xc4"}},  // box line
               {"\xe2\x82\xac", {}},        // euro sign: not in the code page
               {"\xf0\x9f\x98\x80", {}},    // emoji
               {"\xc3\xa9\xc3\xbc", {"\x82", "\x81"}}});
}

TEST(TerminalKeyDecoderTest, MalformedUtf8IsDropped) {
  ExpectCases({{"\x80z", {"z"}},
               {"\xc3z", {"z"}},
               {"\xc0\x80z", {"z"}},
               {"\xe0\x83\xa9z", {"z"}},  // e acute, overlong
               {"\xed\xa0\x80z", {"z"}},  // surrogate
               {"\xf4\x90\x80\x80z", {"z"}},
               {"\xffz", {"z"}},
               {"\xc3\x1b[A", {Ext(0x48)}}});
}

TEST(TerminalKeyDecoderTest, UnknownSequencesAreDroppedAndTheDecoderRecovers) {
  const std::vector<Case> cases = {{"\x1b[99~", {}},
                                   {"\x1b[1;5X", {}},
                                   {"\x1b[?1;2c", {}},
                                   {"\x1b[1;2;3;4A", {}},
                                   {"\x1b[2P", {}},
                                   {"\x1b[[Z", {}},
                                   {"\x1b[1:5A", {}},
                                   {"\x1b[99999~", {}},
                                   {"\x1b[1\x01", {"\x01"}},
                                   {"\x1b[1\x1b[B", {Ext(0x50)}},
                                   {"\x1bO\xc3\xa9", {"\x82"}}};
  for (const Case& c : cases) {
    Keys expected = c.expected;
    expected.push_back("z");
    EXPECT_EQ(Decode(c.bytes + "z"), expected) << ::testing::PrintToString(c.bytes);
  }
}

TEST(TerminalKeyDecoderTest, EndlessParametersAreCappedAndDropped) {
  const std::string digits(100'000, '1');
  EXPECT_EQ(Decode("\x1b[" + digits + "~z"), Keys{"z"});
  EXPECT_EQ(Decode("\x1b[" + digits), Keys{});
  // A sequence that fits exactly is still read.
  EXPECT_EQ(Decode("\x1b[" + std::string(TerminalKeyDecoder::kMaxParameterBytes - 1, '0') + "3~"),
            Keys{Ext(0x53)});
  // One byte more, and the number must not be read from the part that fits.
  EXPECT_EQ(Decode("\x1b[" + std::string(TerminalKeyDecoder::kMaxParameterBytes - 1, '0') + "33~"),
            Keys{});
}

TEST(TerminalKeyDecoderTest, AnyByteInsideASequenceLeavesTheDecoderUsable) {
  for (const std::string prefix : {"\x1b", "\x1b[", "\x1bO", "\x1b[[", "\x1b[1;", "\xe2"}) {
    for (int byte = 0; byte < 256; ++byte) {
      TerminalKeyDecoder decoder;
      Keys out;
      for (char c : prefix + static_cast<char>(byte)) {
        decoder.Add(static_cast<std::uint8_t>(c), 0, out);
      }
      for (char c : std::string("\x1b[A")) decoder.Add(static_cast<std::uint8_t>(c), kTimeout, out);
      ASSERT_FALSE(out.empty());
      EXPECT_EQ(out.back(), Ext(0x48)) << ::testing::PrintToString(prefix) << " " << byte;
      EXPECT_FALSE(decoder.HasPending());
    }
  }
}

}  // namespace
}  // namespace r7n
