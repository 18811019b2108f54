#include "keys/bios_keys.h"

#include <array>
#include <cstddef>
#include <string_view>

namespace r7n {
namespace {

// Columns: plain, Shift, Ctrl, Alt. A zero marks "no extended code".
struct CodeRow {
  std::uint8_t plain, shift, ctrl, alt;
};

constexpr std::array<CodeRow, 23> kCodes{{
    {0x3B, 0x54, 0x5E, 0x68},  // F1
    {0x3C, 0x55, 0x5F, 0x69},  // F2
    {0x3D, 0x56, 0x60, 0x6A},  // F3
    {0x3E, 0x57, 0x61, 0x6B},  // F4
    {0x3F, 0x58, 0x62, 0x6C},  // F5
    {0x40, 0x59, 0x63, 0x6D},  // F6
    {0x41, 0x5A, 0x64, 0x6E},  // F7
    {0x42, 0x5B, 0x65, 0x6F},  // F8
    {0x43, 0x5C, 0x66, 0x70},  // F9
    {0x44, 0x5D, 0x67, 0x71},  // F10
    {0x85, 0x87, 0x89, 0x8B},  // F11
    {0x86, 0x88, 0x8A, 0x8C},  // F12
    {0x47, 0x47, 0x77, 0x97},  // Home
    {0x48, 0x48, 0x8D, 0x98},  // Up
    {0x49, 0x49, 0x84, 0x99},  // PgUp
    {0x4B, 0x4B, 0x73, 0x9B},  // Left
    {0x4D, 0x4D, 0x74, 0x9D},  // Right
    {0x4F, 0x4F, 0x75, 0x9F},  // End
    {0x50, 0x50, 0x91, 0xA0},  // Down
    {0x51, 0x51, 0x76, 0xA1},  // PgDn
    {0x52, 0x52, 0x92, 0xA2},  // Ins
    {0x53, 0x53, 0x93, 0xA3},  // Del
    {0x00, 0x0F, 0x94, 0x0F},  // Tab: plain Tab is the byte 9
}};

// Scan numbers of the character keys, row by row of the keyboard.
constexpr std::string_view kLetterRow1 = "QWERTYUIOP";  // 0x10..0x19
constexpr std::string_view kLetterRow2 = "ASDFGHJKL";   // 0x1E..0x26
constexpr std::string_view kLetterRow3 = "ZXCVBNM";     // 0x2C..0x32
constexpr std::string_view kDigitRow = "1234567890-=";  // 0x78..0x83

std::optional<std::uint8_t> CodeInRow(std::string_view row, char ch, std::uint8_t first) {
  const std::size_t at = row.find(ch);
  if (at == std::string_view::npos) return std::nullopt;
  return static_cast<std::uint8_t>(first + at);
}

}  // namespace

std::optional<std::uint8_t> BiosExtendedCode(PcKey key, Modifiers mods) {
  const CodeRow& row = kCodes[static_cast<std::size_t>(key)];
  const std::uint8_t code = mods.alt     ? row.alt
                            : mods.ctrl  ? row.ctrl
                            : mods.shift ? row.shift
                                         : row.plain;
  if (code == 0) return std::nullopt;
  return code;
}

std::optional<std::uint8_t> BiosAltCharCode(char ch) {
  if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
  if (auto code = CodeInRow(kLetterRow1, ch, 0x10)) return code;
  if (auto code = CodeInRow(kLetterRow2, ch, 0x1E)) return code;
  if (auto code = CodeInRow(kLetterRow3, ch, 0x2C)) return code;
  return CodeInRow(kDigitRow, ch, 0x78);
}

}  // namespace r7n
