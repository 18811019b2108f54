#pragma once

#include <cstdint>
#include <optional>

namespace r7n {

// Code page 437, the console font of the program: every byte, control bytes
// included, has a glyph of its own (0x01 a smiley, 0x7F a house, 0xB0 a shade
// block). The one exception is 0x00, shown as a space.
char32_t Cp437ToUnicode(std::uint8_t byte);

// The code page 437 byte whose glyph is the code point, for code points from
// 0x80 up (ASCII needs no mapping; the control glyphs 0x01-0x1F and 0x7F come
// from their Unicode shapes, so U+00A7 gives 0x15). Empty when the code page
// has no such glyph.
std::optional<std::uint8_t> UnicodeToCp437(char32_t code_point);

}  // namespace r7n
