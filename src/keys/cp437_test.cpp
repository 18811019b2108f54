#include "keys/cp437.h"

#include <gtest/gtest.h>

#include <set>

namespace r7n {
namespace {

TEST(Cp437Test, KnownGlyphs) {
  struct Glyph {
    std::uint8_t byte;
    char32_t code_point;
  };
  const Glyph glyphs[] = {
      {0x00, U' '},      {0x01, U'\u263A'}, {0x0F, U'\u263C'}, {0x15, U'\u00A7'}, {0x1F, U'\u25BC'},
      {0x20, U' '},      {0x41, U'A'},      {0x7E, U'~'},      {0x7F, U'\u2302'}, {0x80, U'\u00C7'},
      {0x82, U'\u00E9'}, {0x9E, U'\u20A7'}, {0xB0, U'\u2591'}, {0xC4, U'\u2500'}, {0xDB, U'\u2588'},
      {0xE1, U'\u00DF'}, {0xEA, U'\u03A9'}, {0xFE, U'\u25A0'}, {0xFF, U'\u00A0'}};
  for (const Glyph& g : glyphs) EXPECT_EQ(Cp437ToUnicode(g.byte), g.code_point) << int{g.byte};
}

TEST(Cp437Test, EveryGlyphMapsBackToItsByte) {
  std::set<char32_t> seen;
  for (int byte = 1; byte < 256; ++byte) {
    const char32_t code_point = Cp437ToUnicode(static_cast<std::uint8_t>(byte));
    EXPECT_TRUE(seen.insert(code_point).second) << "glyph used twice at " << byte;
    if (byte >= 0x20 && byte < 0x7F) {
      EXPECT_EQ(code_point, static_cast<char32_t>(byte));
    } else {
      EXPECT_EQ(UnicodeToCp437(code_point), std::optional<std::uint8_t>(byte)) << byte;
    }
  }
}

TEST(Cp437Test, CodePointsWithoutAByte) {
  for (char32_t code_point : {U'A', U' ', U'\x7f', U'\u20AC', U'\u00F8', U'\U0001F600'}) {
    EXPECT_EQ(UnicodeToCp437(code_point), std::nullopt) << static_cast<unsigned>(code_point);
  }
}

TEST(Cp437Test, LookAlikeLettersFromKeyboards) {
  EXPECT_EQ(UnicodeToCp437(U'\u03B2'), std::uint8_t{0xE1});  // beta as sharp s
  EXPECT_EQ(UnicodeToCp437(U'\u03BC'), std::uint8_t{0xE6});  // mu as micro sign
  EXPECT_EQ(UnicodeToCp437(U'\u2126'), std::uint8_t{0xEA});  // ohm sign as Omega
}

}  // namespace
}  // namespace r7n
