#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "keys/bios_keys.h"
#include "keys/key_code.h"

namespace r7n::key_tests {

// The extended key table, written out for the tests apart from
// bios_keys.cpp, so that a wrong code on either side shows up.
enum class Column { kPlain, kShift, kCtrl, kAlt };
constexpr std::array<Column, 4> kColumns{Column::kPlain, Column::kShift, Column::kCtrl,
                                         Column::kAlt};
inline const char* ColumnName(Column c) {
  constexpr std::array<const char*, 4> kNames{"plain", "Shift", "Ctrl", "Alt"};
  return kNames[static_cast<std::size_t>(c)];
}

struct TableRow {
  PcKey key;
  const char* name;
  std::array<int, 4> codes;  // by Column; -1 is the byte 9 of plain Tab
};

constexpr std::array<TableRow, 23> kTableRows{{
    {PcKey::kF1, "F1", {0x3B, 0x54, 0x5E, 0x68}},
    {PcKey::kF2, "F2", {0x3C, 0x55, 0x5F, 0x69}},
    {PcKey::kF3, "F3", {0x3D, 0x56, 0x60, 0x6A}},
    {PcKey::kF4, "F4", {0x3E, 0x57, 0x61, 0x6B}},
    {PcKey::kF5, "F5", {0x3F, 0x58, 0x62, 0x6C}},
    {PcKey::kF6, "F6", {0x40, 0x59, 0x63, 0x6D}},
    {PcKey::kF7, "F7", {0x41, 0x5A, 0x64, 0x6E}},
    {PcKey::kF8, "F8", {0x42, 0x5B, 0x65, 0x6F}},
    {PcKey::kF9, "F9", {0x43, 0x5C, 0x66, 0x70}},
    {PcKey::kF10, "F10", {0x44, 0x5D, 0x67, 0x71}},
    {PcKey::kF11, "F11", {0x85, 0x87, 0x89, 0x8B}},
    {PcKey::kF12, "F12", {0x86, 0x88, 0x8A, 0x8C}},
    {PcKey::kHome, "Home", {0x47, 0x47, 0x77, 0x97}},
    {PcKey::kUp, "Up", {0x48, 0x48, 0x8D, 0x98}},
    {PcKey::kPgUp, "PgUp", {0x49, 0x49, 0x84, 0x99}},
    {PcKey::kLeft, "Left", {0x4B, 0x4B, 0x73, 0x9B}},
    {PcKey::kRight, "Right", {0x4D, 0x4D, 0x74, 0x9D}},
    {PcKey::kEnd, "End", {0x4F, 0x4F, 0x75, 0x9F}},
    {PcKey::kDown, "Down", {0x50, 0x50, 0x91, 0xA0}},
    {PcKey::kPgDn, "PgDn", {0x51, 0x51, 0x76, 0xA1}},
    {PcKey::kIns, "Ins", {0x52, 0x52, 0x92, 0xA2}},
    {PcKey::kDel, "Del", {0x53, 0x53, 0x93, 0xA3}},
    {PcKey::kTab, "Tab", {-1, 0x0F, 0x94, 0x0F}},
}};

inline KeyCode ExpectedCode(const TableRow& row, Column column) {
  const int code = row.codes[static_cast<std::size_t>(column)];
  if (code < 0) return "\t";
  return ExtendedKey(static_cast<std::uint8_t>(code));
}

// Alt with a character key: the key's scan number.
struct AltChar {
  char ch;
  std::uint8_t code;
};
constexpr std::array<AltChar, 38> kAltChars{{
    {'A', 0x1E}, {'B', 0x30}, {'C', 0x2E}, {'D', 0x20}, {'E', 0x12}, {'F', 0x21}, {'G', 0x22},
    {'H', 0x23}, {'I', 0x17}, {'J', 0x24}, {'K', 0x25}, {'L', 0x26}, {'M', 0x32}, {'N', 0x31},
    {'O', 0x18}, {'P', 0x19}, {'Q', 0x10}, {'R', 0x13}, {'S', 0x1F}, {'T', 0x14}, {'U', 0x16},
    {'V', 0x2F}, {'W', 0x11}, {'X', 0x2D}, {'Y', 0x15}, {'Z', 0x2C}, {'1', 0x78}, {'2', 0x79},
    {'3', 0x7A}, {'4', 0x7B}, {'5', 0x7C}, {'6', 0x7D}, {'7', 0x7E}, {'8', 0x7F}, {'9', 0x80},
    {'0', 0x81}, {'-', 0x82}, {'=', 0x83},
}};

inline bool IsLetter(char ch) {
  return ch >= 'A' && ch <= 'Z';
}
inline char Lower(char ch) {
  return IsLetter(ch) ? static_cast<char>(ch - 'A' + 'a') : ch;
}

}  // namespace r7n::key_tests
