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

TEST(CellGlyph, AsciiShowsBlanksAsSpacesLinesAsLookAlikesAndTheRestAsQuestionMarks) {
  struct Case {
    std::uint8_t byte;
    char32_t glyph;
    char line_drawing_key;  // the ACS character drawn instead
  };
  const Case cases[] = {
      {0x00, U' ', 0},   {0xFF, U' ', 0},    {0x01, U'?', 0},   {0x82, U'?', 0},
      {0xC9, U'+', 'l'},  // double upper left corner
      {0xBB, U'+', 'k'}, {0xC8, U'+', 'm'},  {0xBC, U'+', 'j'}, {0xCD, U'-', 'q'},
      {0xBA, U'|', 'x'}, {0xC4, U'-', 'q'},  {0xB3, U'|', 'x'}, {0xDA, U'+', 'l'},
      {0xD9, U'+', 'j'}, {0xC5, U'+', 'n'},  {0xC3, U'+', 't'}, {0xB4, U'+', 'u'},
      {0xC1, U'+', 'v'}, {0xC2, U'+', 'w'},  {0xB1, U'#', 'a'}, {0xDB, U'#', '0'},
      {0x18, U'^', '-'}, {0xF8, U'\'', 'f'},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CellGlyph(c.byte, false), c.glyph) << "byte " << int{c.byte};
    EXPECT_EQ(LineDrawingKey(c.byte), c.line_drawing_key) << "byte " << int{c.byte};
  }
}

}  // namespace
}  // namespace r7n
