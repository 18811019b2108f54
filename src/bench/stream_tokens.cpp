#include "bench/stream_tokens.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace r7n::bench {
namespace {

constexpr char kBel = '\x07';
constexpr char kEsc = '\x1b';

// Parameters a console sends in colour sequences, and some it should not.
constexpr std::array<std::string_view, 14> kSgrParams{"",   "0",  "1",  "2",  "4",  "5",  "8",
                                                      "30", "32", "37", "41", "44", "47", "99"};

bool EndsOrCarriesSequence(char c) {
  return (c >= '0' && c <= '9') || c == ';' || c == 'm' || c == 'J';
}

}  // namespace

void StreamTokens::Next(StreamToken& token) {
  token.wire.clear();
  token.captured.clear();
  const std::uint64_t kind = random_.Below(100);
  if (kind < 58) return Text(token);
  if (kind < 74) return LineEnd(token);
  if (kind < 83) return Colour(token);
  if (kind < 85) return Erase(token);
  if (kind < 90) return UnknownSequence(token);
  if (kind < 93) return EscapeAndByte(token);
  ControlByte(token);
}

void StreamTokens::Text(StreamToken& token) {
  const auto length = random_.Between(1, 60);
  for (std::int64_t i = 0; i < length; ++i) {
    // Mostly ASCII, with DEL and the upper half of the code page now and then.
    const char c = random_.OneIn(12) ? static_cast<char>(random_.Between(0x7F, 0xFF))
                                     : static_cast<char>(random_.Between(0x20, 0x7E));
    token.wire += c;
  }
  token.captured = token.wire;
}

void StreamTokens::LineEnd(StreamToken& token) {
  const std::uint64_t which = random_.Below(10);
  token.wire = which < 8 ? "\r\n" : (which == 8 ? "\n" : "\r");
  token.captured = token.wire;
}

void StreamTokens::Colour(StreamToken& token) {
  token.wire = {kEsc, '['};
  const auto params = random_.Between(1, 3);
  for (std::int64_t i = 0; i < params; ++i) {
    if (i > 0) token.wire += ';';
    if (random_.OneIn(20)) {
      AppendDigits(token.wire, 14);  // far beyond any parameter that means something
    } else {
      token.wire += kSgrParams[random_.Below(kSgrParams.size())];
    }
  }
  token.wire += 'm';
}

void StreamTokens::Erase(StreamToken& token) {
  token.wire = {kEsc, '['};
  if (random_.OneIn(2)) AppendDigits(token.wire, 1);
  token.wire += 'J';
}

void StreamTokens::UnknownSequence(StreamToken& token) {
  token.wire = {kEsc, '['};
  if (random_.OneIn(3)) {
    // Cursor hiding: only "ESC [ ?" is a sequence here; "25l" is plain text.
    token.wire += "?25l";
    token.captured = "25l";
    return;
  }
  if (random_.OneIn(2)) AppendDigits(token.wire, 3);
  char final_byte = 'K';
  do {
    final_byte = static_cast<char>(random_.Byte());
  } while (EndsOrCarriesSequence(final_byte) || final_byte == kBel);
  token.wire += final_byte;
}

void StreamTokens::EscapeAndByte(StreamToken& token) {
  char next = '[';
  while (next == '[') next = static_cast<char>(random_.Byte());
  token.wire = {kEsc, next};
}

void StreamTokens::ControlByte(StreamToken& token) {
  char c = kBel;
  while (c == kBel || c == kEsc || c == '\r' || c == '\n') {
    c = static_cast<char>(random_.Below(0x20));
  }
  token.wire = std::string(1, c);
}

void StreamTokens::AppendDigits(std::string& text, int max_digits) {
  const auto digits = random_.Between(1, max_digits);
  for (std::int64_t i = 0; i < digits; ++i) text += static_cast<char>('0' + random_.Below(10));
}

bool ExpectedCapture::Read(std::string& out, std::size_t max) {
  while (pending_.size() < max && left_ > 0) {
    tokens_.Next(token_);
    --left_;
    pending_ += token_.captured;
  }
  if (pending_.empty()) return false;
  const std::size_t n = std::min(max, pending_.size());
  out.append(pending_, 0, n);
  pending_.erase(0, n);
  return true;
}

}  // namespace r7n::bench
