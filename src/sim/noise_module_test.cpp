#include "sim/noise_module.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "sim/chassis.h"
#include "sim/manual_clock.h"

namespace r7n::sim {
namespace {

std::size_t Occurrences(std::string_view text, std::string_view what) {
  std::size_t count = 0;
  for (std::size_t at = text.find(what); at != std::string_view::npos;
       at = text.find(what, at + 1)) {
    ++count;
  }
  return count;
}

TEST(NoiseGenerator, TheSeedAloneFixesTheStream) {
  const std::uint64_t seeds[] = {0, 1, 2, 0xFFFFFFFFFFFFFFFFu};
  for (const std::uint64_t seed : seeds) {
    NoiseGenerator first(seed);
    NoiseGenerator second(seed);
    EXPECT_EQ(first.Next(4096), second.Next(4096)) << "seed " << seed;
  }
  for (const std::uint64_t a : seeds) {
    for (const std::uint64_t b : seeds) {
      if (a == b) continue;
      EXPECT_NE(NoiseGenerator(a).Next(4096), NoiseGenerator(b).Next(4096)) << a << " " << b;
    }
  }
}

// A burst may end inside a sequence; the next burst carries on with the rest
// of it, so the stream reads the same however it is cut.
TEST(NoiseGenerator, CuttingTheStreamChangesNothing) {
  constexpr std::size_t kTotal = 20000;
  const std::string whole = NoiseGenerator(7).Next(kTotal);
  ASSERT_EQ(whole.size(), kTotal);
  for (const std::size_t piece : {1u, 2u, 3u, 5u, 13u, 100u, 4095u}) {
    NoiseGenerator cut(7);
    std::string joined;
    while (joined.size() < kTotal) {
      const std::string next = cut.Next(std::min(piece, kTotal - joined.size()));
      ASSERT_EQ(next.size(), std::min(piece, kTotal - joined.size())) << "piece " << piece;
      joined += next;
    }
    EXPECT_EQ(joined, whole) << "piece " << piece;
  }
  EXPECT_EQ(NoiseGenerator(7).Next(0), "");
}

TEST(NoiseGenerator, ABurstHoldsEveryByteValue) {
  for (const std::uint64_t seed : {1u, 2u, 3u}) {
    const std::string burst = NoiseGenerator(seed).Next(65536);
    std::array<bool, 256> seen{};
    for (const char c : burst) seen[static_cast<std::uint8_t>(c)] = true;
    for (std::size_t value = 0; value < seen.size(); ++value) {
      EXPECT_TRUE(seen[value]) << "seed " << seed << " never sends byte " << value;
    }
  }
}

// Random bytes alone would almost never spell out a sequence a terminal acts on.
TEST(NoiseGenerator, ABurstHoldsWholeTerminalSequences) {
  struct Case {
    std::string_view sequence;
    std::size_t at_least;
  };
  const Case cases[] = {
      {"\x1b[", 1000},                   // CSI, the program's own colour changes among them
      {"\x1b]2;noise title\x1b\\", 10},  // a title change
      {"\x1b]52;", 10},                  // the clipboard
      {"\x1bP", 10},                     // DCS
      {"\x1b[?1049h", 10},               // the alternate screen
      {"\x9b", 100},                     // 8-bit CSI
      {"\2352;", 10},                    // 8-bit OSC
      {"\x07", 100},                     // BEL
  };
  for (const std::uint64_t seed : {1u, 2u, 3u}) {
    const std::string burst = NoiseGenerator(seed).Next(65536);
    for (const Case& c : cases) {
      EXPECT_GE(Occurrences(burst, c.sequence), c.at_least)
          << "seed " << seed << ": " << testing::PrintToString(std::string(c.sequence));
    }
  }
}

TEST(NoiseModule, OnlyACarriageReturnSetsItOff) {
  NoiseModule module({.seed = 3, .burst_bytes = 64});
  for (int byte = 0; byte < 256; ++byte) {
    if (byte == '\r') continue;
    std::string out;
    module.Receive(static_cast<std::uint8_t>(byte), 0, out);
    EXPECT_EQ(out, "") << "byte " << byte;
  }
}

TEST(NoiseModule, EachCarriageReturnSendsTheNextBurst) {
  NoiseModule module({.seed = 3, .burst_bytes = 500});
  NoiseGenerator stream(3);
  for (int burst = 0; burst < 3; ++burst) {
    std::string out;
    module.Receive('\r', 0, out);
    EXPECT_EQ(out, stream.Next(500)) << "burst " << burst;
  }
}

TEST(NoiseModule, ABurstNeedsAByte) {
  for (const int bytes : {0, -1}) {
    EXPECT_THROW(NoiseModule({.seed = 1, .burst_bytes = bytes}), std::invalid_argument) << bytes;
  }
}

// The chassis' ports and registers are spelled as numbers from the register
// map, as the other line tests do.
class NoiseOnTheLineTest : public ::testing::Test {
 protected:
  NoiseOnTheLineTest() {
    ChassisConfig config;
    config.base1.modules = {ModuleKind::kNoise, ModuleKind::kR7n, ModuleKind::kR7n,
                            ModuleKind::kR7n};
    config.rx_fifo_depth = 65536;
    config.noise = {.seed = 11, .burst_bytes = 1000};
    chassis_.emplace(clock_, config);
    WriteReg(0x37, 0x40);  // module A
    WriteReg(0x30, 1085 & 0xFF);
    WriteReg(0x31, 1085 >> 8);
    WriteReg(0x36, 0xC1);
    WriteReg(0x33, 0x01);
  }
  void WriteReg(std::uint8_t reg, std::uint8_t value) {
    chassis_->Out(0x311, reg);
    chassis_->Out(0x310, value);
  }
  std::uint8_t ReadReg(std::uint8_t reg) {
    chassis_->Out(0x311, reg);
    return chassis_->In(0x310);
  }
  void At(std::int64_t us) {
    clock_.SetUs(us);
    chassis_->CatchUp();
  }
  std::size_t Sent() const { return chassis_->Base(1).Line(Device::kModuleA).FromDevice().size(); }

  ManualClock clock_;
  std::optional<Chassis> chassis_;
};

TEST_F(NoiseOnTheLineTest, ABurstCrossesTheLineAtTheLineRate) {
  WriteReg(0x32, '\r');  // reaches the module at 86.8 us
  // Each frame of the answer takes 86.806 us at 115200 bit/s.
  struct Case {
    std::int64_t at_us;
    std::size_t sent;
  };
  const Case cases[] = {
      {173, 0},       {174, 1},          {86'892, 999},
      {86'893, 1000}, {1'000'000, 1000},  // one burst, then silence
  };
  for (const Case& c : cases) {
    At(c.at_us);
    EXPECT_EQ(Sent(), c.sent) << "at " << c.at_us << " us";
  }
  EXPECT_EQ(ReadReg(0x35), 0x7F) << "the count stops at 127, no error";
  std::string received;
  chassis_->Out(0x311, 0x34);
  for (int i = 0; i < 1000; ++i) received += static_cast<char>(chassis_->In(0x310));
  EXPECT_EQ(received, NoiseGenerator(11).Next(1000));
}

TEST_F(NoiseOnTheLineTest, ANoiseSlotHasNoConsole) {
  EXPECT_EQ(chassis_->MutableBase(1).Module(0), nullptr);
  EXPECT_NE(chassis_->MutableBase(1).Module(1), nullptr);
}

}  // namespace
}  // namespace r7n::sim
