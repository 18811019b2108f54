#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "sim/line_device.h"

namespace r7n::sim {

// The base unit's ZCP controller as its serial console shows it: it echoes
// every byte, answers a command line when it ends in CR, and greets the line
// once it has started again after a reset. Held in reset it hears nothing and
// says nothing.
class ZcpController : public LineDevice {
 public:
  static constexpr std::string_view kPrompt = "\r\nZCP>";
  static constexpr std::string_view kVersion = "ZCP controller firmware V2.31 (R7N)";
  static constexpr std::string_view kBanner = "\r\nZCP controller ready";
  static constexpr std::string_view kUnknownCommand = "\r\nUnknown command";
  // The firmware needs a moment after its reset ends before it talks.
  static constexpr std::int64_t kBootUs = 2'000;
  // Longer command lines are cut here; the rest is still echoed.
  static constexpr std::size_t kMaxLine = 80;

  void Receive(std::uint8_t byte, std::int64_t now_us, std::string& out) override;
  void Tick(std::int64_t now_us, std::string& out) override;

  // Driven by the base unit's reset line.
  void SetReset(bool held, std::int64_t now_us);
  bool InReset() const { return in_reset_; }
  // When the controller next has something to do on its own, if ever.
  std::optional<std::int64_t> WakeUs() const { return boot_done_us_; }
  const std::string& LineSoFar() const { return line_; }

 private:
  void Answer(std::string& out);

  bool in_reset_ = false;
  // Set from the end of a reset until the banner is out.
  std::optional<std::int64_t> boot_done_us_;
  std::string line_;
};

}  // namespace r7n::sim
