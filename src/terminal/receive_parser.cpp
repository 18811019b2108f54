#include "terminal/receive_parser.h"

#include <limits>
#include <string>

#include "platform/hex_text.h"

namespace r7n {
namespace {

constexpr std::uint8_t kBel = 0x07;
constexpr std::uint8_t kBs = 0x08;
constexpr std::uint8_t kTab = 0x09;
constexpr std::uint8_t kLf = 0x0A;
constexpr std::uint8_t kCr = 0x0D;
constexpr std::uint8_t kEsc = 0x1B;
constexpr std::uint8_t kLastControl = 0x1F;
constexpr int kParamMax = std::numeric_limits<int>::max();

// "<" hex ">", upper case without leading zeros: NUL is "<0>", 0x1F "<1F>".
std::string HexForm(std::uint8_t byte) {
  return "<" + HexByte(byte, false) + ">";
}

}  // namespace

void ReceiveParser::Feed(std::string_view bytes) {
  for (const char c : bytes) Feed(static_cast<std::uint8_t>(c));
}

void ReceiveParser::Feed(std::uint8_t byte) {
  switch (state_) {
    case State::kNormal:
      FeedNormal(byte);
      break;
    case State::kAfterEsc:
      FeedAfterEsc(byte);
      break;
    case State::kInParams:
      FeedInParams(byte);
      break;
  }
}

void ReceiveParser::FeedNormal(std::uint8_t byte) {
  switch (byte) {
    case kEsc:
      state_ = State::kAfterEsc;
      return;
    case kTab:
      sink_.Tab();
      return;
    case kBs:
      sink_.Backspace();
      return;
    case kBel:
      sink_.Bell();
      return;
    case kLf:
    case kCr:
      sink_.Shown(byte);
      return;
    default:
      break;
  }
  if (byte <= kLastControl) {
    sink_.Visible(HexForm(byte));
  } else {
    sink_.Shown(byte);
  }
}

void ReceiveParser::FeedAfterEsc(std::uint8_t byte) {
  if (byte == '[') {
    param_ = 0;
    state_ = State::kInParams;
    return;
  }
  state_ = State::kNormal;
  sink_.Visible("<ESC>" + HexForm(byte));
}

void ReceiveParser::FeedInParams(std::uint8_t byte) {
  if (byte >= '0' && byte <= '9') {
    AppendDigit(static_cast<std::uint8_t>(byte - '0'));
    return;
  }
  switch (byte) {
    case ';':
      EmitSgr();
      return;
    case 'm':
      EmitSgr();
      state_ = State::kNormal;
      return;
    case 'J':
      state_ = State::kNormal;
      sink_.EraseToEnd();
      return;
    default:
      state_ = State::kNormal;
      // The byte follows as it is, printed with the ordinary text rules.
      sink_.Visible(std::string("<ESC><[><?>") + static_cast<char>(byte));
      return;
  }
}

void ReceiveParser::AppendDigit(std::uint8_t digit) {
  if (param_ > (kParamMax - digit) / 10) {
    param_ = kParamMax;
  } else {
    param_ = param_ * 10 + digit;
  }
}

void ReceiveParser::EmitSgr() {
  const int n = param_;
  param_ = 0;
  sink_.Sgr(n);
}

}  // namespace r7n
