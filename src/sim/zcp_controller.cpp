#include "sim/zcp_controller.h"

namespace r7n::sim {
namespace {

constexpr std::uint8_t kCr = 0x0D;
constexpr std::uint8_t kLf = 0x0A;
constexpr std::uint8_t kBs = 0x08;
constexpr std::uint8_t kDel = 0x7F;

}  // namespace

void ZcpController::Receive(std::uint8_t byte, std::int64_t now_us, std::string& out) {
  Tick(now_us, out);
  // In reset, and while it boots, nobody reads the controller's line.
  if (in_reset_ || boot_done_us_) return;
  out += static_cast<char>(byte);
  switch (byte) {
    case kCr:
      Answer(out);
      line_.clear();
      return;
    case kLf:
      return;  // a terminal's CR LF ends one line, not two
    case kBs:
    case kDel:
      if (!line_.empty()) line_.pop_back();
      return;
    default:
      if (line_.size() < kMaxLine) line_ += static_cast<char>(byte);
      return;
  }
}

void ZcpController::Tick(std::int64_t now_us, std::string& out) {
  if (in_reset_ || !boot_done_us_ || now_us < *boot_done_us_) return;
  boot_done_us_.reset();
  out += kBanner;
  out += kPrompt;
}

void ZcpController::SetReset(bool held, std::int64_t now_us) {
  if (held == in_reset_) return;
  in_reset_ = held;
  line_.clear();
  if (held) {
    boot_done_us_.reset();
  } else {
    boot_done_us_ = now_us + kBootUs;
  }
}

void ZcpController::Answer(std::string& out) {
  if (line_ == "V" || line_ == "v") {
    out += "\r\n";
    out += kVersion;
  } else if (!line_.empty()) {
    out += kUnknownCommand;
  }
  out += kPrompt;
}

}  // namespace r7n::sim
