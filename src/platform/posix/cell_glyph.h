#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace r7n {

// Whether the locale's character set (nl_langinfo(CODESET)) is UTF-8, the
// only one in which the terminal can show every code page 437 glyph.
bool IsUtf8Codeset(std::string_view codeset);

// The character a cell's byte is drawn as: its code page 437 glyph on a UTF-8
// terminal; elsewhere printable ASCII as itself, the two blank glyphs (0x00,
// 0xFF) as a space and every other byte as '?'. Never a control character, so
// nothing a far end sends can reach the host terminal as a control sequence.
char32_t CellGlyph(std::uint8_t byte, bool utf8);

// Appends the glyph as UTF-8; every glyph CellGlyph gives lies in the Basic
// Multilingual Plane, so three bytes at most.
void AppendGlyph(char32_t glyph, std::string& out);

}  // namespace r7n
