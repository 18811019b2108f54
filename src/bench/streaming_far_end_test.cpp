#include "bench/streaming_far_end.h"

#include <gtest/gtest.h>

#include "bench/soak_run.h"
#include "platform/virtual_clock.h"
#include "sim/uart_model.h"

namespace r7n::bench {
namespace {

using sim::BaseUnit;
using sim::Chassis;
using sim::UartModel;

constexpr int kBaud = 115200;
constexpr std::uint16_t kDivisor = 1085;  // 125 MHz / 115200, rounded
constexpr std::uint64_t kSeed = 5;
// 10 bit times at the far end's 115200 bit/s, in ns.
const std::int64_t kFrameNs = sim::FrameNsAtBaud(kBaud);

sim::ChassisConfig SilentModuleA() {
  sim::ChassisConfig config;
  config.base1.modules[0] = sim::ModuleKind::kSilent;
  return config;
}

// Base unit 1 behind the far end, driven register by register as the
// program would, on a clock the test moves. Frames arrive with the next
// access, so each check reads a register first.
class FarEndTest : public ::testing::Test {
 protected:
  FarEndTest() : first_(SoakScript(script_).Next().value()) {}

  void Write(std::uint8_t reg, std::uint8_t value) {
    far_end_.Out(Chassis::kBase1Index, reg);
    far_end_.Out(Chassis::kBase1Data, value);
  }
  void Connect(std::uint8_t selector) {
    Write(BaseUnit::kChanSel, selector);
    Write(BaseUnit::kUartBase + UartModel::kDivLo, kDivisor & 0xFF);
    Write(BaseUnit::kUartBase + UartModel::kDivHi, kDivisor >> 8);
    Write(BaseUnit::kUartBase + UartModel::kCfg, UartModel::kCfgReceiverInit);
  }
  int Waiting() {
    far_end_.Out(Chassis::kBase1Index, BaseUnit::kUartBase + UartModel::kRxStatus);
    return far_end_.In(Chassis::kBase1Data) & UartModel::kRxStatusCountMask;
  }
  void At(std::int64_t us) { clock_.AdvanceUs(us - clock_.NowUs()); }
  std::int64_t BurstUs(std::int64_t frames_ns) const {
    return first_.burst_start_us + (frames_ns + 999) / 1000;
  }

  VirtualClock clock_;
  Chassis chassis_{clock_, SilentModuleA()};
  SoakScript script_{kSeed, kUsPerSecond, 60 * kUsPerSecond};
  StreamingFarEnd far_end_{chassis_, clock_, script_, kSeed, FeedPath::kUart, kBaud};
  Episode first_;
};

TEST_F(FarEndTest, FramesArriveOneAfterTheOtherAtTheLineRate) {
  Connect(BaseUnit::kSelModuleA);
  At(first_.burst_start_us - 1);
  EXPECT_EQ(Waiting(), 0);
  At(BurstUs(50 * kFrameNs) - 1);
  EXPECT_EQ(Waiting(), 49);
  At(BurstUs(50 * kFrameNs));
  EXPECT_EQ(Waiting(), 50);
  EXPECT_EQ(far_end_.Figures().unheard, 0u);
}

TEST_F(FarEndTest, NothingIsHeardWhileTheSelectorIsOnAnotherLine) {
  Connect(BaseUnit::kSelZcp);
  At(first_.burst_end_us);
  EXPECT_EQ(Waiting(), 0);
  EXPECT_GT(far_end_.Figures().sent, 0u);
  EXPECT_EQ(far_end_.Figures().unheard, far_end_.Figures().sent);
}

TEST_F(FarEndTest, AFrameUnderWayWhenTheLineIsConnectedIsLost) {
  Connect(BaseUnit::kSelZcp);
  At(BurstUs(10 * kFrameNs + kFrameNs / 2));  // halfway through frame 10
  Write(BaseUnit::kChanSel, BaseUnit::kSelModuleA);
  At(BurstUs(30 * kFrameNs));
  EXPECT_EQ(Waiting(), 30 - 11);
  EXPECT_EQ(far_end_.Figures().unheard, 11u);
}

TEST_F(FarEndTest, TheLineIsBusyThroughTheBurstAndQuietAfterIt) {
  Connect(BaseUnit::kSelModuleA);
  // The piece under way at the end of the burst is finished: up to 60 bytes.
  At(first_.burst_end_us + (61 * kFrameNs) / 1000 + 1);
  Waiting();
  const std::uint64_t sent = far_end_.Figures().sent;
  const std::int64_t burst_ns = (first_.burst_end_us - first_.burst_start_us) * 1000;
  EXPECT_GE(static_cast<std::int64_t>(sent) * kFrameNs, burst_ns);
  EXPECT_LE(static_cast<std::int64_t>(sent) * kFrameNs, burst_ns + 61 * kFrameNs);
  EXPECT_EQ(far_end_.Figures().bells, first_.bell ? 1u : 0u);
  At(first_.quiet_end_us);
  Waiting();
  EXPECT_EQ(far_end_.Figures().sent, sent);
  EXPECT_FALSE(far_end_.Finished());
}

TEST_F(FarEndTest, EndsWithTheScript) {
  Connect(BaseUnit::kSelModuleA);
  At(60 * kUsPerSecond);
  Waiting();
  EXPECT_TRUE(far_end_.Finished());
  const std::uint64_t sent = far_end_.Figures().sent;
  At(70 * kUsPerSecond);
  Waiting();
  EXPECT_EQ(far_end_.Figures().sent, sent);
}

}  // namespace
}  // namespace r7n::bench
