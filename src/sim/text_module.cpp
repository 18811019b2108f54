#include "sim/text_module.h"

#include <algorithm>
#include <stdexcept>
#include <string_view>

namespace r7n::sim {
namespace {

constexpr std::size_t kNumberDigits = 8;
constexpr std::string_view kLineText = " the quick brown fox jumps over the lazy dog\r\n";

std::string Line(std::uint64_t number) {
  std::string digits = std::to_string(number);
  if (digits.size() < kNumberDigits) digits.insert(0, kNumberDigits - digits.size(), '0');
  return digits.append(kLineText);
}

std::size_t CheckedBurstBytes(int burst_bytes) {
  if (burst_bytes < 1) throw std::invalid_argument("a text burst needs at least one byte");
  return static_cast<std::size_t>(burst_bytes);
}

}  // namespace

std::string TextGenerator::Next(std::size_t count) {
  std::string out;
  out.reserve(count);
  while (out.size() < count) {
    if (carry_.empty()) carry_ = Line(line_++);
    const std::size_t take = std::min(carry_.size(), count - out.size());
    out.append(carry_, 0, take);
    carry_.erase(0, take);
  }
  return out;
}

TextModule::TextModule(int burst_bytes) : burst_bytes_(CheckedBurstBytes(burst_bytes)) {}

void TextModule::Receive(std::uint8_t byte, std::int64_t now_us, std::string& out) {
  if (byte != '\r') return;
  unsent_ += burst_bytes_;
  Tick(now_us, out);
}

void TextModule::Tick(std::int64_t /*now_us*/, std::string& out) {
  const std::size_t piece = std::min(unsent_, kPieceBytes);
  out += generator_.Next(piece);
  unsent_ -= piece;
}

}  // namespace r7n::sim
