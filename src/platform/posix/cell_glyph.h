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
// 0xFF) as a space, a line-drawing glyph as its plain look-alike ('-', '|',
// '+', '#' ...) and every other byte as '?'. Never a control character, so
// nothing a far end sends can reach the host terminal as a control sequence.
char32_t CellGlyph(std::uint8_t byte, bool utf8);

// Without UTF-8 the terminal's own line-drawing set (ncurses' ACS) still
// draws lines, corners and blocks: the ACS key of the character that stands
// in for the byte's glyph ('q' a horizontal line, 'l' an upper left corner
// ...), or 0 when it has none. Double lines become single ones.
char LineDrawingKey(std::uint8_t byte);

// Appends the glyph as UTF-8; every glyph CellGlyph gives lies in the Basic
// Multilingual Plane, so three bytes at most.
void AppendGlyph(char32_t glyph, std::string& out);

}  // namespace r7n
