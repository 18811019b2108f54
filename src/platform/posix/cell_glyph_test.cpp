#include "platform/posix/cell_glyph.h"

#include <gtest/gtest.h>

#include <set>

namespace r7n {
namespace {

// A glyph that a terminal would act on instead of showing.
bool IsControl(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c < 0xA0);
}

TEST(IsUtf8Codeset, RecognisesTheSpellingsOfUtf8Only) {
  struct Case {
    const char* codeset;
    bool utf8;
  };
  const Case cases[] = {
      {"UTF-8", true},       {"utf8", true},         {"Utf-8", true}, {"ANSI_X3.4-1968", false},
      {"ISO-8859-1", false}, {"ISO-8859-15", false}, {"", false},     {"UTF-16", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsUtf8Codeset(c.codeset), c.utf8) << c.codeset;
}

TEST(CellGlyph, NoByteReachesTheTerminalAsAControlCharacter) {
  for (bool utf8 : {true, false}) {
    for (int byte = 0; byte < 256; ++byte) {
      EXPECT_FALSE(IsControl(CellGlyph(static_cast<std::uint8_t>(byte), utf8)))
          << "byte " << byte << " utf8 " << utf8;
    }
  }
}

TEST(CellGlyph, PrintableAsciiIsItselfInBothModes) {
  for (bool utf8 : {true, false}) {
    for (char32_t byte = 0x20; byte <= 0x7E; ++byte) {
      EXPECT_EQ(CellGlyph(static_cast<std::uint8_t>(byte), utf8), byte);
    }
  }
}

TEST(CellGlyph, Utf8ShowsTheCodePageGlyphs) {
  struct Case {
    std::uint8_t byte;
    char32_t glyph;
  };
  const Case cases[] = {
      {0x01, U'\u263A'},  // smiley
      {0x1B, U'\u2190'},  // arrow left, not an escape
      {0x7F, U'\u2302'},  // house
      {0x9B, U'\u00A2'},  // cent sign, not a CSI
      {0xB0, U'\u2591'},  // light shade
      {0xC4, U'\u2500'},  // horizontal line
      {0xDB, U'\u2588'},  // full block
  };
  for (const Case& c : cases) EXPECT_EQ(CellGlyph(c.byte, true), c.glyph) << int{c.byte};
}

TEST(CellGlyph, Utf8GivesEveryByteButTheBlankZeroAGlyphOfItsOwn) {
  std::set<char32_t> glyphs;
  for (int byte = 1; byte < 256; ++byte)
    glyphs.insert(CellGlyph(static_cast<std::uint8_t>(byte), true));
  EXPECT_EQ(glyphs.size(), 255u);
  EXPECT_EQ(CellGlyph(0x00, true), U' ');
}

TEST(CellGlyph, AsciiShowsBlanksAsSpacesAndTheRestAsQuestionMarks) {
  for (int byte = 0; byte < 256; ++byte) {
    if (byte >= 0x20 && byte <= 0x7E) continue;
    const char32_t expected = (byte == 0x00 || byte == 0xFF) ? U' ' : U'?';
    EXPECT_EQ(CellGlyph(static_cast<std::uint8_t>(byte), false), expected) << "byte " << byte;
  }
}

}  // namespace
}  // namespace r7n
