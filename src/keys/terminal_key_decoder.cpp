#include "keys/terminal_key_decoder.h"

#include <optional>
#include <string_view>

#include "keys/bios_keys.h"
#include "keys/cp437.h"

namespace r7n {
namespace {

constexpr std::uint8_t kEsc = 0x1B;

// The numbers of a parameter string such as "15;2"; invalid when it holds
// anything but digits and semicolons, or more fields than any key uses.
struct Parameters {
  std::array<int, 3> values{};
  std::size_t count = 0;
  bool valid = true;
};

Parameters ParseParameters(std::string_view text) {
  Parameters result;
  if (text.empty()) return result;
  result.count = 1;
  for (char c : text) {
    if (c == ';') {
      if (++result.count > result.values.size()) return Parameters{{}, 0, false};
    } else if (c >= '0' && c <= '9') {
      int& value = result.values[result.count - 1];
      value = value * 10 + (c - '0');
      if (value > 9999) return Parameters{{}, 0, false};
    } else {
      return Parameters{{}, 0, false};
    }
  }
  return result;
}

Modifiers Merge(Modifiers a, Modifiers b) {
  return {a.shift || b.shift, a.ctrl || b.ctrl, a.alt || b.alt};
}

// xterm sends 1 + a bit set: 1 Shift, 2 Alt, 4 Ctrl. Higher bits (Meta,
// Super in some terminals) have no PC equivalent and are ignored.
Modifiers XtermModifiers(int parameter) {
  if (parameter < 2) return {};
  const int bits = parameter - 1;
  return {(bits & 1) != 0, (bits & 4) != 0, (bits & 2) != 0};
}

Modifiers RxvtModifiers(std::uint8_t final_byte) {
  switch (final_byte) {
    case '$':
      return {.shift = true};
    case '^':
      return {.ctrl = true};
    case '@':
      return {.shift = true, .ctrl = true};
    default:
      return {};
  }
}

void EmitByte(std::vector<KeyCode>& out, std::uint8_t byte) {
  out.emplace_back(1, static_cast<char>(byte));
}

void EmitPcKey(std::vector<KeyCode>& out, PcKey key, Modifiers mods) {
  if (auto code = BiosExtendedCode(key, mods)) {
    out.push_back(ExtendedKey(*code));
  } else if (key == PcKey::kTab) {
    EmitByte(out, '\t');
  }
}

// A byte outside any sequence. NUL (Ctrl-2, Ctrl-Space) has no Key code; the
// Backspace key sends DEL.
void EmitPlainByte(std::vector<KeyCode>& out, std::uint8_t byte) {
  if (byte == 0) return;
  EmitByte(out, byte == 0x7F ? std::uint8_t{0x08} : byte);
}

// An ASCII byte after an ESC prefix, i.e. with Alt held.
void EmitAltByte(std::vector<KeyCode>& out, std::uint8_t byte) {
  if (byte == '\t') return EmitPcKey(out, PcKey::kTab, {.alt = true});
  if (byte == 0x08 || byte == 0x7F || byte == '\r') return EmitPlainByte(out, byte);
  // Ctrl-Alt with a letter: Alt wins over Ctrl.
  const bool ctrl_letter = byte >= 0x01 && byte <= 0x1A;
  const char ch = static_cast<char>(ctrl_letter ? 'A' + byte - 1 : byte);
  if (auto code = BiosAltCharCode(ch)) return out.push_back(ExtendedKey(*code));
  EmitPlainByte(out, byte);
}

// A character key reported with its modifiers (CSI 27;m;c~ or CSI c;m u).
void EmitCharacterKey(std::vector<KeyCode>& out, int ch, Modifiers mods) {
  if (ch == '\t') return EmitPcKey(out, PcKey::kTab, mods);
  if (ch == 0x08 || ch == 0x7F) return EmitByte(out, mods.ctrl && !mods.alt ? 0x7F : 0x08);
  if (ch == '\r' || ch == kEsc) return EmitByte(out, static_cast<std::uint8_t>(ch));
  if (ch < 0x20 || ch > 0x7E) return;
  const auto byte = static_cast<std::uint8_t>(ch);
  if (mods.alt) return EmitAltByte(out, byte);
  const bool has_control_char = (byte >= '@' && byte <= '_') || (byte >= 'a' && byte <= 'z');
  if (mods.ctrl && has_control_char) return EmitPlainByte(out, byte & 0x1F);
  EmitByte(out, byte);
}

struct SequenceKey {
  PcKey key;
  Modifiers implied;
};

// CSI n ~ (and the rxvt finals $ ^ @).
std::optional<SequenceKey> NumberedKey(int number) {
  struct Entry {
    int number;
    PcKey key;
    bool shift;
  };
  static constexpr std::array<Entry, 28> kEntries{{
      {1, PcKey::kHome, false}, {2, PcKey::kIns, false},  {3, PcKey::kDel, false},
      {4, PcKey::kEnd, false},  {5, PcKey::kPgUp, false}, {6, PcKey::kPgDn, false},
      {7, PcKey::kHome, false}, {8, PcKey::kEnd, false},  {11, PcKey::kF1, false},
      {12, PcKey::kF2, false},  {13, PcKey::kF3, false},  {14, PcKey::kF4, false},
      {15, PcKey::kF5, false},  {17, PcKey::kF6, false},  {18, PcKey::kF7, false},
      {19, PcKey::kF8, false},  {20, PcKey::kF9, false},  {21, PcKey::kF10, false},
      {23, PcKey::kF11, false}, {24, PcKey::kF12, false}, {25, PcKey::kF3, true},
      {26, PcKey::kF4, true},   {28, PcKey::kF5, true},   {29, PcKey::kF6, true},
      {31, PcKey::kF7, true},   {32, PcKey::kF8, true},   {33, PcKey::kF9, true},
      {34, PcKey::kF10, true},
  }};
  for (const Entry& entry : kEntries) {
    if (entry.number == number) return SequenceKey{entry.key, {.shift = entry.shift}};
  }
  return std::nullopt;
}

// CSI x and SS3 x with a letter as final byte.
std::optional<SequenceKey> LetterKey(std::uint8_t final_byte) {
  switch (final_byte) {
    case 'A':
      return SequenceKey{PcKey::kUp, {}};
    case 'B':
      return SequenceKey{PcKey::kDown, {}};
    case 'C':
      return SequenceKey{PcKey::kRight, {}};
    case 'D':
      return SequenceKey{PcKey::kLeft, {}};
    case 'H':
      return SequenceKey{PcKey::kHome, {}};
    case 'F':
      return SequenceKey{PcKey::kEnd, {}};
    case 'P':
      return SequenceKey{PcKey::kF1, {}};
    case 'Q':
      return SequenceKey{PcKey::kF2, {}};
    case 'R':
      return SequenceKey{PcKey::kF3, {}};
    case 'S':
      return SequenceKey{PcKey::kF4, {}};
    case 'Z':
      return SequenceKey{PcKey::kTab, {.shift = true}};
    default:
      return std::nullopt;
  }
}

// rxvt's arrows with a lower-case final: Shift after CSI, Ctrl after SS3.
std::optional<PcKey> RxvtArrow(std::uint8_t final_byte) {
  if (final_byte < 'a' || final_byte > 'd') return std::nullopt;
  return LetterKey(static_cast<std::uint8_t>(final_byte - 'a' + 'A'))->key;
}

// The keypad in application mode (SS3 M, SS3 X, SS3 j..y).
std::optional<std::uint8_t> ApplicationKeypadChar(std::uint8_t final_byte) {
  if (final_byte == 'M') return std::uint8_t{'\r'};
  if (final_byte == 'X') return std::uint8_t{'='};
  constexpr std::string_view kChars = "*+,-./0123456789";  // j..y
  if (final_byte < 'j' || final_byte > 'y') return std::nullopt;
  return static_cast<std::uint8_t>(kChars[static_cast<std::size_t>(final_byte - 'j')]);
}

void DispatchNumbered(std::uint8_t final_byte, const Parameters& p, Modifiers prefix,
                      std::vector<KeyCode>& out) {
  if (p.count == 0) return;
  if (final_byte == '~' && p.values[0] == 27 && p.count == 3) {
    return EmitCharacterKey(out, p.values[2], Merge(XtermModifiers(p.values[1]), prefix));
  }
  const auto key = NumberedKey(p.values[0]);
  if (!key || p.count > 2) return;
  Modifiers mods = Merge(Merge(key->implied, prefix), RxvtModifiers(final_byte));
  if (p.count == 2) mods = Merge(mods, XtermModifiers(p.values[1]));
  EmitPcKey(out, key->key, mods);
}

void DispatchCsi(std::uint8_t final_byte, const Parameters& p, Modifiers prefix,
                 std::vector<KeyCode>& out) {
  switch (final_byte) {
    case '~':
    case '$':
    case '^':
    case '@':
      return DispatchNumbered(final_byte, p, prefix, out);
    case 'u':
      if (p.count == 1 || p.count == 2) {
        EmitCharacterKey(out, p.values[0], Merge(XtermModifiers(p.values[1]), prefix));
      }
      return;
    default:
      break;
  }
  if (auto arrow = RxvtArrow(final_byte)) {
    if (p.count == 0) EmitPcKey(out, *arrow, Merge(prefix, {.shift = true}));
    return;
  }
  const auto key = LetterKey(final_byte);
  if (!key) return;
  // CSI P without parameters is the Linux console's Pause key, not F1.
  const bool needs_modifier = final_byte >= 'P' && final_byte <= 'S';
  if (p.count == 2) {
    EmitPcKey(out, key->key, Merge(Merge(key->implied, prefix), XtermModifiers(p.values[1])));
  } else if (p.count == 0 && !needs_modifier) {
    EmitPcKey(out, key->key, Merge(key->implied, prefix));
  }
}

void DispatchSs3(std::uint8_t final_byte, const Parameters& p, Modifiers prefix,
                 std::vector<KeyCode>& out) {
  if (auto arrow = RxvtArrow(final_byte)) {
    if (p.count == 0) EmitPcKey(out, *arrow, Merge(prefix, {.ctrl = true}));
    return;
  }
  if (auto ch = ApplicationKeypadChar(final_byte)) {
    // Alt with the keypad is character entry on a PC, not a key.
    if (p.count == 0 && !prefix.alt) EmitByte(out, *ch);
    return;
  }
  const auto key = LetterKey(final_byte);
  if (!key || p.count > 2) return;
  Modifiers mods = Merge(key->implied, prefix);
  // Older terminals put the modifier alone after SS3 ("ESC O 5 P").
  if (p.count > 0) mods = Merge(mods, XtermModifiers(p.values[p.count - 1]));
  EmitPcKey(out, key->key, mods);
}

// Longer forms of a code point than needed are invalid UTF-8 (and could
// smuggle in any byte). Surrogates and values past U+10FFFF need no check:
// no glyph of the code page has one.
bool IsOverlong(char32_t code_point, int length) {
  constexpr std::array<char32_t, 5> kSmallest{0, 0, 0x80, 0x800, 0x10000};
  return code_point < kSmallest[static_cast<std::size_t>(length)];
}

}  // namespace

void TerminalKeyDecoder::Add(std::uint8_t byte, std::int64_t now_us, std::vector<KeyCode>& out) {
  Timeout(now_us, out);
  last_byte_us_ = now_us;
  switch (state_) {
    case State::kGround:
      return AddGround(byte, out);
    case State::kEscape:
      return AddAfterEscape(byte, out);
    case State::kCsi:
    case State::kSs3:
      return AddInSequence(byte, out);
    case State::kLinuxFunction:
      return AddLinuxFunction(byte, out);
    case State::kUtf8:
      return AddUtf8(byte, out);
  }
}

void TerminalKeyDecoder::Timeout(std::int64_t now_us, std::vector<KeyCode>& out) {
  if (state_ != State::kGround && now_us - last_byte_us_ >= kEscapeTimeoutUs) Flush(out);
}

void TerminalKeyDecoder::AddGround(std::uint8_t byte, std::vector<KeyCode>& out) {
  if (byte == kEsc) {
    state_ = State::kEscape;
    alt_prefix_ = false;
  } else if (byte >= 0x80) {
    BeginUtf8(byte);
  } else {
    EmitPlainByte(out, byte);
  }
}

void TerminalKeyDecoder::AddAfterEscape(std::uint8_t byte, std::vector<KeyCode>& out) {
  if (byte == kEsc) {
    // A third ESC: the first one was the Esc key on its own.
    if (alt_prefix_) EmitByte(out, kEsc);
    alt_prefix_ = true;
    return;
  }
  if (byte == '[') return BeginSequence(State::kCsi);
  if (byte == 'O') return BeginSequence(State::kSs3);
  if (alt_prefix_) EmitByte(out, kEsc);
  state_ = State::kGround;
  // Alt with a non-ASCII character has no code; the character itself counts.
  if (byte >= 0x80) return AddGround(byte, out);
  EmitAltByte(out, byte);
}

void TerminalKeyDecoder::AddInSequence(std::uint8_t byte, std::vector<KeyCode>& out) {
  const bool empty = parameter_length_ == 0 && !parameters_overflowed_;
  if (state_ == State::kCsi && byte == '[' && empty) {
    state_ = State::kLinuxFunction;
    return;
  }
  // rxvt ends Shift-modified keys with '$', which is otherwise an
  // intermediate byte; no other key sequence uses it.
  const bool final_byte = (byte >= 0x40 && byte <= 0x7E) || (state_ == State::kCsi && byte == '$');
  if (final_byte) {
    Dispatch(byte, out);
    state_ = State::kGround;
  } else if (byte >= 0x20 && byte <= 0x3F) {
    if (parameter_length_ < parameters_.size()) {
      parameters_[parameter_length_++] = static_cast<char>(byte);
    } else {
      parameters_overflowed_ = true;
    }
  } else {
    Restart(byte, out);
  }
}

void TerminalKeyDecoder::AddLinuxFunction(std::uint8_t byte, std::vector<KeyCode>& out) {
  if (byte >= 'A' && byte <= 'E') {
    const auto key = static_cast<PcKey>(static_cast<int>(PcKey::kF1) + (byte - 'A'));
    EmitPcKey(out, key, {.alt = alt_prefix_});
    state_ = State::kGround;
  } else if (byte >= 0x40 && byte <= 0x7E) {
    state_ = State::kGround;
  } else {
    Restart(byte, out);
  }
}

void TerminalKeyDecoder::AddUtf8(std::uint8_t byte, std::vector<KeyCode>& out) {
  if ((byte & 0xC0) != 0x80) return Restart(byte, out);
  code_point_ = (code_point_ << 6) | (byte & 0x3Fu);
  if (--utf8_remaining_ > 0) return;
  state_ = State::kGround;
  if (IsOverlong(code_point_, utf8_length_)) return;
  if (auto cp437 = UnicodeToCp437(code_point_)) EmitByte(out, *cp437);
}

void TerminalKeyDecoder::BeginSequence(State state) {
  state_ = state;
  parameter_length_ = 0;
  parameters_overflowed_ = false;
}

void TerminalKeyDecoder::BeginUtf8(std::uint8_t lead) {
  // C0, C1 and F5..FF never start a valid sequence; continuation bytes
  // without a lead are dropped as well.
  if (lead >= 0xC2 && lead <= 0xDF) {
    utf8_length_ = 2;
    code_point_ = lead & 0x1Fu;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    utf8_length_ = 3;
    code_point_ = lead & 0x0Fu;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    utf8_length_ = 4;
    code_point_ = lead & 0x07u;
  } else {
    return;
  }
  utf8_remaining_ = utf8_length_ - 1;
  state_ = State::kUtf8;
}

void TerminalKeyDecoder::Dispatch(std::uint8_t final_byte, std::vector<KeyCode>& out) const {
  if (parameters_overflowed_) return;
  const Parameters p = ParseParameters({parameters_.data(), parameter_length_});
  if (!p.valid) return;
  const Modifiers prefix{.alt = alt_prefix_};
  if (state_ == State::kSs3) return DispatchSs3(final_byte, p, prefix, out);
  DispatchCsi(final_byte, p, prefix, out);
}

void TerminalKeyDecoder::Flush(std::vector<KeyCode>& out) {
  const State was = state_;
  state_ = State::kGround;
  const bool empty = parameter_length_ == 0 && !parameters_overflowed_;
  switch (was) {
    case State::kEscape:
      EmitByte(out, kEsc);
      if (alt_prefix_) EmitByte(out, kEsc);
      return;
    case State::kCsi:
    case State::kSs3:
      // ESC [ and ESC O alone were Alt-[ and Alt-Shift-O.
      if (!empty) return;
      if (alt_prefix_) EmitByte(out, kEsc);
      return EmitAltByte(out, was == State::kCsi ? std::uint8_t{'['} : std::uint8_t{'O'});
    default:
      return;  // an incomplete sequence or character is dropped
  }
}

void TerminalKeyDecoder::Restart(std::uint8_t byte, std::vector<KeyCode>& out) {
  state_ = State::kGround;
  AddGround(byte, out);
}

}  // namespace r7n
