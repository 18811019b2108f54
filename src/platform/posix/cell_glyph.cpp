#include "platform/posix/cell_glyph.h"

#include <cctype>
#include <string>

#include "keys/cp437.h"

namespace r7n {
namespace {

constexpr char32_t kSubstitute = U'?';

// Code page 437's box-drawing bytes 0xB3 to 0xDA, in order, as ACS keys.
constexpr char kBoxKeys[] = "xuuukkuxkjjjkmvwtqnttmlvwtqnvvwwmmllnnjl";
constexpr std::uint8_t kFirstBox = 0xB3;
static_assert(sizeof kBoxKeys - 1 == 0xDA - kFirstBox + 1);

struct StandIn {
  std::uint8_t byte;
  char key;
};
// The other glyphs the ACS set has a character for.
constexpr StandIn kOtherStandIns[] = {
    {0x18, '-'}, {0x19, '.'}, {0x1A, '+'}, {0x1B, ','},  // arrows
    {0x10, '+'}, {0x11, ','}, {0x1E, '-'}, {0x1F, '.'},  // triangles as arrows
    {0xB0, 'a'}, {0xB1, 'a'}, {0xB2, 'a'},               // shades
    {0xDB, '0'}, {0xDC, '0'}, {0xDD, '0'}, {0xDE, '0'}, {0xDF, '0'}, {0xFE, '0'},  // blocks
    {0x9C, '}'}, {0xE3, '{'}, {0xF1, 'g'}, {0xF2, 'z'}, {0xF3, 'y'},  // pound, pi, +-, >=, <=
    {0xF8, 'f'}, {0xF9, '~'}, {0xFA, '~'}, {0x07, '~'},               // degree, bullets
};

// The plain characters ncurses itself falls back to for each ACS key.
char32_t PlainLookAlike(char key) {
  switch (key) {
    case 'q':
      return U'-';
    case 'x':
      return U'|';
    case 'a':
    case '0':
      return U'#';
    case '-':
      return U'^';
    case '.':
      return U'v';
    case '+':
      return U'>';
    case ',':
      return U'<';
    case 'z':
      return U'>';
    case 'y':
      return U'<';
    case 'f':
      return U'\'';
    case '~':
      return U'o';
    case '{':
      return U'*';
    case '}':
      return U'f';
    default:
      return U'+';  // corners, tees, crossings and the rest
  }
}

bool IsControl(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c < 0xA0);
}

char32_t AsciiGlyph(std::uint8_t byte) {
  if (byte >= 0x20 && byte <= 0x7E) return byte;
  if (byte == 0x00 || byte == 0xFF) return U' ';
  if (const char key = LineDrawingKey(byte)) return PlainLookAlike(key);
  return kSubstitute;
}

}  // namespace

bool IsUtf8Codeset(std::string_view codeset) {
  std::string name;
  for (char c : codeset) {
    if (c != '-' && c != '_')
      name += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return name == "UTF8";
}

char32_t CellGlyph(std::uint8_t byte, bool utf8) {
  if (!utf8) return AsciiGlyph(byte);
  const char32_t glyph = Cp437ToUnicode(byte);
  return IsControl(glyph) ? U' ' : glyph;
}

char LineDrawingKey(std::uint8_t byte) {
  if (byte >= kFirstBox && byte < kFirstBox + sizeof kBoxKeys - 1)
    return kBoxKeys[byte - kFirstBox];
  for (const StandIn& stand_in : kOtherStandIns) {
    if (stand_in.byte == byte) return stand_in.key;
  }
  return 0;
}

void AppendGlyph(char32_t glyph, std::string& out) {
  if (glyph < 0x80) {
    out += static_cast<char>(glyph);
  } else if (glyph < 0x800) {
    out += static_cast<char>(0xC0 | (glyph >> 6));
    out += static_cast<char>(0x80 | (glyph & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (glyph >> 12));
    out += static_cast<char>(0x80 | ((glyph >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (glyph & 0x3F));
  }
}

}  // namespace r7n
