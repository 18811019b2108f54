#include "platform/posix/cell_glyph.h"

#include <cctype>
#include <string>

#include "keys/cp437.h"

namespace r7n {
namespace {

constexpr char32_t kSubstitute = U'?';

bool IsControl(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c < 0xA0);
}

char32_t AsciiGlyph(std::uint8_t byte) {
  if (byte >= 0x20 && byte <= 0x7E) return byte;
  if (byte == 0x00 || byte == 0xFF) return U' ';
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
