// Key translation: the input after its first byte goes through the terminal
// key decoder as the bytes a terminal sends, and, read ten bytes at a time,
// through the Win32 translation as console key events. The first byte chooses
// how the bytes are split into reads.
//
// What must hold: every Key code is one the key tables allow; the decoder
// never hands out more keys than it was given bytes; reads that follow each
// other quickly give the same keys however the bytes are split among them;
// once a pending sequence has timed out the decoder is as good as new; bytes
// without ESC decode to themselves (or their code page glyph). The Win32
// translation gives the tables' codes for function keys, the cursor block and
// Alt with a letter.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "keys/cp437.h"
#include "keys/key_code.h"
#include "keys/terminal_key_decoder.h"
#include "keys/win32_key_translate.h"

namespace r7n::fuzz {
namespace {

using Keys = std::vector<KeyCode>;

constexpr std::int64_t kFlushUs = TerminalKeyDecoder::kEscapeTimeoutUs;
// Reads this far apart are one burst to the decoder.
constexpr std::int64_t kReadGapUs = 1'000;

// The PC BIOS extended codes, columns plain, Shift, Ctrl, Alt; 0 where the
// combination has no code of its own (plain Tab is the byte 9).
struct CodeColumns {
  std::uint8_t plain, shift, ctrl, alt;
};

constexpr std::array<CodeColumns, 12> kFunctionKeys{{
    {0x3B, 0x54, 0x5E, 0x68},
    {0x3C, 0x55, 0x5F, 0x69},
    {0x3D, 0x56, 0x60, 0x6A},
    {0x3E, 0x57, 0x61, 0x6B},
    {0x3F, 0x58, 0x62, 0x6C},
    {0x40, 0x59, 0x63, 0x6D},
    {0x41, 0x5A, 0x64, 0x6E},
    {0x42, 0x5B, 0x65, 0x6F},
    {0x43, 0x5C, 0x66, 0x70},
    {0x44, 0x5D, 0x67, 0x71},
    {0x85, 0x87, 0x89, 0x8B},
    {0x86, 0x88, 0x8A, 0x8C},
}};

struct BlockKey {
  std::uint16_t virtual_key;
  CodeColumns codes;
};

// Home, Up, PgUp, Left, Right, End, Down, PgDn, Ins, Del by Win32 virtual key.
constexpr std::array<BlockKey, 10> kCursorBlock{{
    {0x24, {0x47, 0x47, 0x77, 0x97}},
    {0x26, {0x48, 0x48, 0x8D, 0x98}},
    {0x21, {0x49, 0x49, 0x84, 0x99}},
    {0x25, {0x4B, 0x4B, 0x73, 0x9B}},
    {0x27, {0x4D, 0x4D, 0x74, 0x9D}},
    {0x23, {0x4F, 0x4F, 0x75, 0x9F}},
    {0x28, {0x50, 0x50, 0x91, 0xA0}},
    {0x22, {0x51, 0x51, 0x76, 0xA1}},
    {0x2D, {0x52, 0x52, 0x92, 0xA2}},
    {0x2E, {0x53, 0x53, 0x93, 0xA3}},
}};

constexpr CodeColumns kTab{0x00, 0x0F, 0x94, 0x0F};

// Alt with a character key: the key's scan number.
constexpr std::string_view kAltRows[] = {"QWERTYUIOP", "ASDFGHJKL", "ZXCVBNM", "1234567890-="};
constexpr std::uint8_t kAltRowFirst[] = {0x10, 0x1E, 0x2C, 0x78};

std::optional<std::uint8_t> AltCode(char ch) {
  if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
  for (std::size_t row = 0; row < 4; ++row) {
    const std::size_t at = kAltRows[row].find(ch);
    if (at != std::string_view::npos) return static_cast<std::uint8_t>(kAltRowFirst[row] + at);
  }
  return std::nullopt;
}

std::array<bool, 256> AllowedExtendedCodes() {
  std::array<bool, 256> allowed{};
  const auto add = [&allowed](const CodeColumns& c) {
    for (const std::uint8_t code : {c.plain, c.shift, c.ctrl, c.alt}) {
      if (code != 0) allowed[code] = true;
    }
  };
  for (const CodeColumns& c : kFunctionKeys) add(c);
  for (const BlockKey& b : kCursorBlock) add(b.codes);
  add(kTab);
  for (std::size_t row = 0; row < 4; ++row) {
    for (std::size_t i = 0; i < kAltRows[row].size(); ++i) {
      allowed[static_cast<std::size_t>(kAltRowFirst[row] + i)] = true;
    }
  }
  return allowed;
}

void RequireValidKey(const KeyCode& key) {
  static const std::array<bool, 256> kAllowed = AllowedExtendedCodes();
  if (key.size() == 1) {
    Require(key[0] != '\0', "a one-byte Key code is NUL");
    return;
  }
  Require(IsExtendedKey(key), "a Key code is neither one byte nor 0xFF and a code");
  Require(kAllowed[static_cast<std::uint8_t>(key[1])], "an extended code outside the key tables");
}

// The decoder as a terminal read loop uses it: the bytes of one read at one
// time, then a check for a sequence that has timed out.
class DecoderRun {
 public:
  void Read(std::string_view bytes, std::int64_t now_us) {
    for (const char c : bytes) {
      decoder_.Add(static_cast<std::uint8_t>(c), now_us, keys_);
      ++bytes_given_;
      Require(keys_.size() <= bytes_given_, "the decoder gave more keys than it got bytes");
    }
    decoder_.Timeout(now_us, keys_);
  }
  // Time passes with no byte: everything pending resolves.
  void Settle(std::int64_t now_us) {
    decoder_.Timeout(now_us, keys_);
    Require(!decoder_.HasPending(), "a sequence is still pending after its time-out");
    Require(keys_.size() <= bytes_given_, "the decoder gave more keys than it got bytes");
  }
  const Keys& Out() const { return keys_; }

 private:
  TerminalKeyDecoder decoder_;
  Keys keys_;
  std::size_t bytes_given_ = 0;
};

Keys DecodeAsOneRead(std::string_view bytes) {
  DecoderRun run;
  run.Read(bytes, 0);
  run.Settle(kFlushUs);
  return run.Out();
}

Keys DecodeInReads(std::string_view bytes, Choices& choices) {
  DecoderRun run;
  const std::size_t longest = 1 + choices.Next() % 16;
  std::int64_t now = 0;
  for (std::size_t pos = 0; pos < bytes.size(); now += kReadGapUs) {
    const std::size_t n = std::min(choices.Between1And(longest), bytes.size() - pos);
    run.Read(bytes.substr(pos, n), now);
    pos += n;
  }
  run.Settle(now + kFlushUs);
  return run.Out();
}

// After a pause long enough to resolve everything, the decoder must carry
// nothing over: the keys are those of two fresh decoders, one per part.
void CheckFreshAfterTimeout(std::string_view bytes, std::size_t cut) {
  const std::string_view first = bytes.substr(0, cut);
  const std::string_view second = bytes.substr(cut);
  Keys apart = DecodeAsOneRead(first);
  const Keys tail = DecodeAsOneRead(second);
  apart.insert(apart.end(), tail.begin(), tail.end());

  DecoderRun together;
  together.Read(first, 0);
  together.Read(second, 2 * kFlushUs);
  together.Settle(3 * kFlushUs);
  Require(together.Out() == apart, "state survived a time-out that resolved everything");
}

// Bytes without ESC: ASCII stands for itself (NUL gives nothing, DEL is
// Backspace), and UTF-8 characters give their code page byte; malformed,
// overlong and unmapped characters give nothing.
std::optional<Keys> ReferenceWithoutEscape(std::string_view bytes) {
  if (bytes.find('\x1b') != std::string_view::npos) return std::nullopt;
  Keys keys;
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto lead = static_cast<std::uint8_t>(bytes[i]);
    if (lead < 0x80) {
      if (lead != 0) keys.emplace_back(1, lead == 0x7F ? '\x08' : static_cast<char>(lead));
      ++i;
      continue;
    }
    int length = 0;
    char32_t cp = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
      cp = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      cp = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      cp = lead & 0x07u;
    }
    ++i;
    if (length == 0) continue;
    int got = 1;
    while (got < length && i < bytes.size() &&
           (static_cast<std::uint8_t>(bytes[i]) & 0xC0) == 0x80) {
      cp = (cp << 6) | (static_cast<std::uint8_t>(bytes[i]) & 0x3Fu);
      ++got;
      ++i;
    }
    if (got < length) continue;  // cut short: the breaking byte is read afresh
    const char32_t smallest = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
    if (cp < smallest) continue;
    if (auto byte = UnicodeToCp437(cp)) keys.emplace_back(1, static_cast<char>(*byte));
  }
  return keys;
}

void FuzzTerminalDecoder(std::string_view bytes, Choices& choices) {
  const Keys whole = DecodeAsOneRead(bytes);
  for (const KeyCode& key : whole) RequireValidKey(key);
  Require(DecodeInReads(bytes, choices) == whole, "splitting a burst into reads changed the keys");
  CheckFreshAfterTimeout(bytes, bytes.empty() ? 0 : choices.Next() % (bytes.size() + 1));
  if (auto expected = ReferenceWithoutEscape(bytes)) {
    Require(whole == *expected, "bytes without ESC did not decode to themselves");
  }
}

// --- Win32 console key events ---------------------------------------------

constexpr std::size_t kEventBytes = 10;

Win32KeyEvent EventFrom(const std::uint8_t* b) {
  Win32KeyEvent event;
  event.key_down = (b[0] & 1) != 0;
  event.virtual_key = static_cast<std::uint16_t>(b[1] | (b[2] << 8));
  event.scan_code = static_cast<std::uint16_t>(b[3] | (b[4] << 8));
  event.ch = b[5];
  event.control_state = static_cast<std::uint32_t>(b[6]) | (static_cast<std::uint32_t>(b[7]) << 8) |
                        (static_cast<std::uint32_t>(b[8]) << 16) |
                        (static_cast<std::uint32_t>(b[9]) << 24);
  return event;
}

struct Held {
  bool shift, ctrl, alt;
};

Held HeldOf(std::uint32_t state) {
  return {(state & win32::kShiftPressed) != 0,
          (state & (win32::kLeftCtrlPressed | win32::kRightCtrlPressed)) != 0,
          (state & (win32::kLeftAltPressed | win32::kRightAltPressed)) != 0};
}

// Alt wins over Ctrl, Ctrl over Shift.
std::uint8_t Column(const CodeColumns& c, Held held) {
  return held.alt ? c.alt : held.ctrl ? c.ctrl : held.shift ? c.shift : c.plain;
}

bool IsModifierOrLock(std::uint16_t vk) {
  return vk == 0x10 || vk == 0x11 || vk == 0x12 || vk == 0x14 || vk == 0x90 || vk == 0x91 ||
         (vk >= 0xA0 && vk <= 0xA5);
}

void CheckWin32Event(const Win32KeyEvent& event) {
  const std::optional<KeyCode> key = TranslateWin32Key(event);
  if (!event.key_down) {
    Require(!key, "a key release gave a Key code");
    return;
  }
  if (IsModifierOrLock(event.virtual_key)) {
    Require(!key, "a modifier or lock key gave a Key code");
    return;
  }
  if (key) RequireValidKey(*key);
  const Held held = HeldOf(event.control_state);
  const std::uint16_t vk = event.virtual_key;
  if (vk >= 0x70 && vk <= 0x7B) {
    const std::uint8_t code = Column(kFunctionKeys[vk - 0x70u], held);
    Require(key == ExtendedKey(code), "a function key gave the wrong code");
    return;
  }
  for (const BlockKey& block : kCursorBlock) {
    if (block.virtual_key != vk || (event.control_state & win32::kEnhancedKey) == 0) continue;
    Require(key == ExtendedKey(Column(block.codes, held)), "a cursor key gave the wrong code");
    return;
  }
  const bool letter = vk >= 'A' && vk <= 'Z';
  const bool own_char = event.ch == 0 || event.ch == vk || event.ch == vk + 32;
  if (letter && held.alt && own_char) {
    Require(key == ExtendedKey(*AltCode(static_cast<char>(vk))), "Alt with a letter: wrong code");
    return;
  }
  // A key that keeps its character gives exactly that character.
  const bool special = vk == 0x08 || vk == 0x09 || vk == 0x0D || vk == 0x1B || vk == 0x0C ||
                       (vk >= 0x21 && vk <= 0x28) || vk == 0x2D || vk == 0x2E;
  if (key && key->size() == 1 && !special) {
    Require(static_cast<std::uint8_t>((*key)[0]) == event.ch,
            "a character key gave another character than the console reported");
  }
}

void FuzzWin32(std::string_view bytes) {
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
  for (std::size_t at = 0; at + kEventBytes <= bytes.size(); at += kEventBytes) {
    CheckWin32Event(EventFrom(data + at));
  }
}

}  // namespace
}  // namespace r7n::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace r7n::fuzz;
  if (size == 0) return 0;
  Choices choices(data[0]);
  const std::string_view bytes = AsText(data + 1, size - 1);
  FuzzTerminalDecoder(bytes, choices);
  FuzzWin32(bytes);
  return 0;
}
