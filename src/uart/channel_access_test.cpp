#include "uart/channel_access.h"

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

#include "platform/port_recorder.h"
#include "platform/virtual_clock.h"
#include "sim/chassis.h"
#include "testing/operator_console.h"

namespace r7n {
namespace {

using Access = PortRecorder::Access;

struct PortWrite {
  std::uint16_t port;
  std::uint8_t value;
  friend bool operator==(const PortWrite&, const PortWrite&) = default;
};

std::vector<PortWrite> Writes(const PortRecorder& recorder) {
  std::vector<PortWrite> writes;
  for (const Access& a : recorder.Trace()) {
    if (a.write) writes.push_back({a.port, a.value});
  }
  return writes;
}

class ChannelAccessTest : public ::testing::Test {
 protected:
  VirtualClock clock_;
  sim::Chassis chassis_{clock_};
  PortRecorder recorder_{chassis_, clock_};
  testing::OperatorConsole operator_{clock_};
  testing::HeadlessConsole& device_ = operator_.device;
  Console& con_ = operator_.con;
  ConsoleUartHost& host_ = operator_.host;
  UartLink link_{recorder_, host_};
};

struct SelChanCase {
  std::int32_t port;
  std::int32_t channel;
  std::int32_t baud;
  std::uint8_t selector, div_lo, div_hi;
  friend void PrintTo(const SelChanCase& c, std::ostream* os) {
    *os << "port_" << std::hex << c.port << std::dec << "_channel_" << c.channel << "_baud_"
        << c.baud;
  }
};

class UartSelChanTest : public ChannelAccessTest,
                        public ::testing::WithParamInterface<SelChanCase> {};

TEST_P(UartSelChanTest, WritesSelectorDivisorCfgAndCtlInOrder) {
  const SelChanCase& c = GetParam();
  link_.ChanAdr().port = c.port;
  link_.SetBaudRate(c.baud);
  link_.UartSelChan(c.channel);
  const auto index = static_cast<std::uint16_t>(c.port + 1);
  const auto data = static_cast<std::uint16_t>(c.port);
  const std::vector<PortWrite> expected{
      {index, 0x37},    {data, c.selector}, {index, 0x30}, {data, c.div_lo}, {index, 0x31},
      {data, c.div_hi}, {index, 0x36},      {data, 0xC1},  {index, 0x33},    {data, 0x01}};
  EXPECT_EQ(Writes(recorder_), expected);
  EXPECT_EQ(recorder_.Trace().size(), expected.size()) << "channel programming reads nothing";
}

INSTANTIATE_TEST_SUITE_P(
    Channels, UartSelChanTest,
    ::testing::Values(SelChanCase{0x310, 0, 115200, 0x00, 0x3D, 0x04},
                      SelChanCase{0x310, 1, 115200, 0x40, 0x3D, 0x04},
                      SelChanCase{0x310, 2, 57600, 0x50, 0x7A, 0x08},
                      SelChanCase{0x312, 3, 38400, 0x60, 0xB7, 0x0C},
                      SelChanCase{0x312, 4, 9600, 0x70, 0xDD, 0x32},
                      SelChanCase{0x312, 5, 115200, 0x00, 0x3D, 0x04},
                      SelChanCase{0x310, -1, 115200, 0x00, 0x3D, 0x04},
                      // Below 1,908 bit/s only the low 16 bits of the divisor fit.
                      SelChanCase{0x310, 0, 1907, 0x00, 0x0C, 0x00}));

TEST_F(ChannelAccessTest, SelChanReachesTheSimulatedUart) {
  link_.ChanAdr().port = 0x312;
  link_.SetBaudRate(57600);
  link_.UartSelChan(3);
  const sim::BaseUnit& unit = chassis_.Base(2);
  EXPECT_EQ(unit.SelectedDevice(), sim::Device::kModuleC);
  EXPECT_EQ(unit.Uart().Divisor(), 2170);
  EXPECT_EQ(chassis_.Base(1).Uart().Divisor(), 0) << "base unit 1 untouched";
}

struct DivisorCase {
  std::int32_t baud;
  std::int32_t divisor;
  friend void PrintTo(const DivisorCase& c, std::ostream* os) { *os << "baud_" << c.baud; }
};

class UartDivisorTest : public ::testing::TestWithParam<DivisorCase> {};

TEST_P(UartDivisorTest, RoundsHalfUpAndNeverOverflows) {
  EXPECT_EQ(UartDivisor(kUartClockHz, GetParam().baud), GetParam().divisor);
}

INSTANTIATE_TEST_SUITE_P(Rates, UartDivisorTest,
                         ::testing::Values(DivisorCase{115200, 1085}, DivisorCase{57600, 2170},
                                           DivisorCase{38400, 3255}, DivisorCase{9600, 13021},
                                           DivisorCase{1908, 65514}, DivisorCase{1907, 65548},
                                           DivisorCase{125'000'000, 1},
                                           DivisorCase{250'000'000, 1},  // 0.5 rounds up
                                           DivisorCase{1, 125'000'000}, DivisorCase{0, INT32_MAX},
                                           DivisorCase{-9600, INT32_MAX}));

// Answers every data-port read with one fixed BoardId.
class FixedBoardId : public PortIo {
 public:
  explicit FixedBoardId(std::uint8_t id) : id_(id) {}
  void Out(std::uint16_t port, std::uint8_t value) override { writes.push_back({port, value}); }
  std::uint8_t In(std::uint16_t) override { return id_; }
  std::vector<PortWrite> writes;

 private:
  std::uint8_t id_;
};

struct PresenceCase {
  std::uint8_t board_id;
  bool present;
  friend void PrintTo(const PresenceCase& c, std::ostream* os) {
    *os << "id_" << std::hex << int{c.board_id};
  }
};

class PresenceTest : public ::testing::TestWithParam<PresenceCase> {};

TEST_P(PresenceTest, HighNibbleDMeansPresent) {
  VirtualClock clock;
  testing::OperatorConsole op(clock);
  ConsoleUartHost& host = op.host;
  FixedBoardId ports(GetParam().board_id);
  UartLink link(ports, host);
  EXPECT_EQ(link.BaseUnitPresent(0x312), GetParam().present);
  EXPECT_EQ(ports.writes, (std::vector<PortWrite>{{0x313, 0x00}}));
}

INSTANTIATE_TEST_SUITE_P(Ids, PresenceTest,
                         ::testing::Values(PresenceCase{0xD0, true}, PresenceCase{0xD1, true},
                                           PresenceCase{0xDF, true}, PresenceCase{0xFF, false},
                                           PresenceCase{0x00, false}, PresenceCase{0xC0, false},
                                           PresenceCase{0xE0, false}, PresenceCase{0x0D, false}));

TEST_F(ChannelAccessTest, PresenceOnTheSimulatedChassis) {
  EXPECT_TRUE(link_.BaseUnitPresent(0x310));
  EXPECT_TRUE(link_.BaseUnitPresent(0x312));
  VirtualClock clock;
  sim::ChassisConfig config;
  config.base2.fitted = false;
  sim::Chassis no_base2(clock, config);
  UartLink link(no_base2, host_);
  EXPECT_TRUE(link.BaseUnitPresent(0x310));
  EXPECT_FALSE(link.BaseUnitPresent(0x312));
}

TEST_F(ChannelAccessTest, ZcpResetPulsesTenMilliseconds) {
  link_.ChanAdr().port = 0x312;
  link_.ZcpReset();
  const auto& t = recorder_.Trace();
  ASSERT_EQ(t.size(), 3u);
  EXPECT_EQ(t[0], (Access{0, 0x313, true, 0x37}));
  EXPECT_EQ(t[1], (Access{0, 0x312, true, 0x01}));
  EXPECT_EQ(t[2], (Access{10'000, 0x312, true, 0x00}));
  EXPECT_EQ(clock_.NowUs(), 20'000);
  EXPECT_FALSE(chassis_.Base(2).ZcpInReset());
  EXPECT_EQ(chassis_.Base(2).ZcpResetCount(), 1);
  EXPECT_EQ(chassis_.Base(2).SelectedDevice(), sim::Device::kZcp);
}

TEST_F(ChannelAccessTest, KjBusResetHoldsAndReleases) {
  link_.KjBusReset(true);
  EXPECT_TRUE(chassis_.KjBusInReset());
  link_.KjBusReset(false);
  EXPECT_FALSE(chassis_.KjBusInReset());
  EXPECT_EQ(Writes(recorder_), (std::vector<PortWrite>{{0x2A4, 0xFF}, {0x2A4, 0x00}}));
}

}  // namespace
}  // namespace r7n
