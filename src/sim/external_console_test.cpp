// A real console in a slot, on virtual time: its bytes cross the line no
// faster than the line carries them, and what the UART sends reaches it as
// each frame ends. The endpoint here is a stand-in that only keeps bytes.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sim/chassis.h"
#include "sim/manual_clock.h"
#include "sim/slot_report.h"

namespace r7n::sim {
namespace {

// A far end that has written waiting and hears what the line delivers, with
// the clock's time of each byte.
struct FarEnd {
  std::string waiting;
  std::string heard;
  std::vector<std::int64_t> heard_at_us;
  bool up = true;
};

class StandInEndpoint : public Endpoint {
 public:
  StandInEndpoint(FarEnd& far, Clock& clock) : far_(far), clock_(clock) {}
  void Service(std::int64_t /*now_us*/) override {}
  std::size_t Read(std::size_t max, std::string& out) override {
    if (!far_.up) return 0;
    const std::string taken = far_.waiting.substr(0, max);
    far_.waiting.erase(0, taken.size());
    out += taken;
    return taken.size();
  }
  void Write(std::string_view bytes) override {
    if (!far_.up) return;
    far_.heard += bytes;
    far_.heard_at_us.push_back(clock_.NowUs());
  }

 private:
  FarEnd& far_;
  Clock& clock_;
};

constexpr std::uint16_t kDataPort = 0x310;
constexpr std::uint16_t kIndexPort = 0x311;
constexpr std::uint16_t kDivisor115200 = 1085;  // 125 MHz / 115200
constexpr std::int64_t kFrameNs = 86'806;       // ten bits at 115200 bit/s

class ExternalConsoleTest : public ::testing::Test {
 protected:
  // Module A of base unit 1 holds the stand-in; the UART is programmed for
  // divisor and connected to channel (0x40 for module A) at time 0.
  void Make(std::uint16_t divisor = kDivisor115200, std::uint8_t channel = 0x40) {
    ChassisConfig config;
    config.base1.modules[0] = ModuleKind::kExternal;
    config.base1.endpoints[0] = EndpointAddress{EndpointAddress::Kind::kPty, "stand-in", 0};
    config.base2.fitted = false;
    config.make_endpoint = [this](const EndpointAddress&) {
      return std::make_unique<StandInEndpoint>(far_, clock_);
    };
    chassis_ = std::make_unique<Chassis>(clock_, config);
    WriteReg(0x30, static_cast<std::uint8_t>(divisor & 0xFF));
    WriteReg(0x31, static_cast<std::uint8_t>(divisor >> 8));
    WriteReg(0x33, 0x01);
    WriteReg(0x36, 0xC1);
    WriteReg(0x37, channel);
  }
  void WriteReg(std::uint8_t reg, std::uint8_t value) {
    chassis_->Out(kIndexPort, reg);
    chassis_->Out(kDataPort, value);
  }
  std::uint8_t ReadReg(std::uint8_t reg) {
    chassis_->Out(kIndexPort, reg);
    return chassis_->In(kDataPort);
  }
  void At(std::int64_t us) {
    clock_.SetUs(us);
    chassis_->CatchUp();
  }
  const DeviceLine& LineA() { return chassis_->Base(1).Line(Device::kModuleA); }
  const UartModel& Uart() { return chassis_->Base(1).Uart(); }

  ManualClock clock_;
  FarEnd far_;
  std::unique_ptr<Chassis> chassis_;
};

struct PaceCase {
  std::int64_t until_us;
  std::int64_t step_us;  // how often the model is advanced on the way
};

TEST_F(ExternalConsoleTest, AFastWriterIsTakenNoFasterThanTheLineCarries) {
  // However often the model looks, the endpoint gives up exactly the frames
  // that have started by then: one at once, then one per frame time.
  const PaceCase cases[] = {
      {0, 1}, {86, 1}, {87, 1}, {10'000, 1}, {10'000, 10'000}, {10'000, 37}, {1'000'000, 1'000},
  };
  for (const PaceCase& c : cases) {
    far_ = FarEnd{std::string(20'000, 'x'), {}, {}, true};
    clock_.SetUs(0);
    Make();
    for (std::int64_t us = 0; us < c.until_us; us += c.step_us) At(us);
    At(c.until_us);
    const std::int64_t started = c.until_us * 1000 / kFrameNs + 1;
    EXPECT_EQ(static_cast<std::int64_t>(20'000 - far_.waiting.size()), started)
        << "until " << c.until_us << " us in steps of " << c.step_us;
  }
}

TEST_F(ExternalConsoleTest, ItsBytesMeetTheUartAsTheBuiltInDevicesDo) {
  struct Case {
    std::uint16_t divisor;
    std::uint8_t channel;
    int in_fifo;  // after 100 ms with nobody reading: 1151 frames ended, a 1152nd under way
    int overruns;
    int framing_errors;
  };
  const Case cases[] = {
      {kDivisor115200, 0x40, 128, 1151 - 128, 0},  // selected: the FIFO fills, the rest overrun
      {kDivisor115200, 0x50, 0, 0, 0},             // another module selected: all lost unheard
      {2170, 0x40, 128, 1151 - 128, 1151},         // the UART at half the rate: garbled
  };
  for (const Case& c : cases) {
    far_ = FarEnd{std::string(5'000, 'y'), {}, {}, true};
    clock_.SetUs(0);
    Make(c.divisor, c.channel);
    At(100'000);
    EXPECT_EQ(static_cast<int>(Uart().RxFifoLevel()), c.in_fifo) << c.divisor << " " << +c.channel;
    EXPECT_EQ(LineA().Overruns(), c.overruns) << c.divisor << " " << +c.channel;
    EXPECT_EQ(LineA().FramingErrors(), c.framing_errors) << c.divisor << " " << +c.channel;
  }
  const std::vector<std::string> report = ExternalSlotReport(*chassis_);
  ASSERT_EQ(report.size(), 1u);
  EXPECT_EQ(report[0],
            "base1 A pty:stand-in: 0 bytes to it, 1152 bytes from it, 1023 overruns, "
            "1151 framing errors, 0 disconnects, 0 failed attempts");
}

TEST_F(ExternalConsoleTest, WhatTheUartSendsArrivesAsEachFrameEnds) {
  clock_.SetUs(0);
  Make();
  WriteReg(0x32, 'O');
  WriteReg(0x32, 'K');
  for (std::int64_t us = 0; us <= 400; ++us) At(us);
  EXPECT_EQ(far_.heard, "OK");
  // The transmit started with the second register write, at 4 us of bus
  // time; each frame ends 86.806 us after it began and is handed over at the
  // first microsecond after that.
  ASSERT_EQ(far_.heard_at_us.size(), 2u);
  const std::int64_t start_us = far_.heard_at_us[0] - (kFrameNs + 999) / 1000;
  EXPECT_LE(start_us, 1);
  EXPECT_EQ(far_.heard_at_us[1] * 1000 - far_.heard_at_us[0] * 1000 < 2 * kFrameNs, true);
  EXPECT_GE(far_.heard_at_us[1] * 1000 - far_.heard_at_us[0] * 1000, kFrameNs - 1000);
}

TEST_F(ExternalConsoleTest, AFarEndThatIsDownLeavesTheLineSilent) {
  far_ = FarEnd{std::string(100, 'z'), {}, {}, false};
  clock_.SetUs(0);
  Make();
  WriteReg(0x32, 'Q');
  At(50'000);
  EXPECT_EQ(ReadReg(0x35) & 0x7F, 0);
  EXPECT_EQ(far_.heard, "");
  far_.up = true;  // back: it talks again, and hears the next byte
  At(60'000);
  WriteReg(0x32, 'R');
  At(70'000);
  EXPECT_EQ(far_.heard, "R");
  EXPECT_EQ(ReadReg(0x35) & 0x7F, 100);
}

}  // namespace
}  // namespace r7n::sim
