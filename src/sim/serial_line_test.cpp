// The serial line of a base unit: the UART's timing, its FIFOs and error
// flags, and the routing through the channel selector, all on virtual time.

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "sim/chassis.h"
#include "sim/manual_clock.h"

namespace r7n::sim {
namespace {

// Registers and ports are spelled as numbers from the register map, not
// through the model's constants, so a wrong constant in the model fails here.

// Base unit 1 with empty slots, so only the ZCP controller ever answers.
ChassisConfig QuietChassis(int line_baud = 115200, int rx_fifo_depth = 128) {
  ChassisConfig config;
  config.base1.modules = {ModuleKind::kSilent, ModuleKind::kSilent, ModuleKind::kSilent,
                          ModuleKind::kSilent};
  config.line_baud = line_baud;
  config.rx_fifo_depth = rx_fifo_depth;
  return config;
}

std::string Bytes(std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) text += static_cast<char>('!' + i % 90);
  return text;
}

class SerialLineTest : public ::testing::Test {
 protected:
  // A fresh chassis, powered up at time 0.
  void Make(const ChassisConfig& config) {
    clock_.SetUs(0);
    chassis_.emplace(clock_, config);
  }
  // Time passes until us; the model catches up as on any access.
  void At(std::int64_t us) {
    clock_.SetUs(us);
    chassis_->CatchUp();
  }

  void WriteReg(std::uint8_t reg, std::uint8_t value) {
    chassis_->Out(0x311, reg);
    chassis_->Out(0x310, value);
  }
  std::uint8_t ReadReg(std::uint8_t reg) {
    chassis_->Out(0x311, reg);
    return chassis_->In(0x310);
  }
  void Program(std::uint16_t divisor) {
    WriteReg(0x30, static_cast<std::uint8_t>(divisor & 0xFF));
    WriteReg(0x31, static_cast<std::uint8_t>(divisor >> 8));
    WriteReg(0x36, 0xC1);
    WriteReg(0x33, 0x01);
  }
  void Send(std::string_view text) {
    chassis_->Out(0x311, 0x32);
    for (char c : text) chassis_->Out(0x310, static_cast<std::uint8_t>(c));
  }
  std::uint8_t TxStatus() { return ReadReg(0x32); }
  std::uint8_t RxStatus() { return ReadReg(0x35); }
  std::string Receive(int count) {
    std::string text;
    chassis_->Out(0x311, 0x34);
    for (int i = 0; i < count; ++i) text += static_cast<char>(chassis_->In(0x310));
    return text;
  }
  BaseUnit& Unit() { return chassis_->MutableBase(1); }
  std::size_t Transmitted() const { return chassis_->Base(1).Uart().TransmittedBytes().size(); }

  ManualClock clock_;
  std::optional<Chassis> chassis_;
};

struct FrameTimeCase {
  std::uint16_t divisor;
  int line_baud;
  std::int64_t last_us_before;  // the stop bit is not over yet
};

TEST_F(SerialLineTest, AByteTakesTenBitTimesAtTheProgrammedDivisor) {
  const FrameTimeCase cases[] = {
      {1085, 115200, 86},   // 86.8 us
      {2170, 57600, 173},   // 173.6 us
      {13021, 9600, 1041},  // 1041.68 us
      {125, 1'000'000, 9},  // exactly 10 us: due at 10, not before
  };
  for (const FrameTimeCase& c : cases) {
    Make(QuietChassis(c.line_baud));
    Program(c.divisor);
    Send("Z");
    At(c.last_us_before);
    EXPECT_EQ(Unit().Line(Device::kZcp).ToDevice(), "") << "divisor " << c.divisor;
    EXPECT_EQ(TxStatus(), 0x00) << "sending, FIFO empty: ready but not empty";
    At(c.last_us_before + 1);
    EXPECT_EQ(Unit().Line(Device::kZcp).ToDevice(), "Z") << "divisor " << c.divisor;
    EXPECT_EQ(TxStatus(), 0x01) << "divisor " << c.divisor;
  }
}

struct DrainCase {
  std::int64_t at_us;
  std::uint8_t status;
  std::size_t transmitted;
};

TEST_F(SerialLineTest, ABlockDrainsOneByteTimeAfterAnother) {
  Make(QuietChassis());
  Program(1085);
  Send(Bytes(128));
  // One byte in the shift register, 127 waiting: busy until the last one
  // moves into the shift register at 127 x 86.8 us, empty after 128.
  const DrainCase cases[] = {
      {0, 0x02, 0},       {86, 0x02, 0},      {87, 0x02, 1},
      {5554, 0x02, 63},   {11023, 0x02, 126}, {11024, 0x00, 127},
      {11110, 0x00, 127}, {11111, 0x01, 128}, {20000, 0x01, 128},
  };
  for (const DrainCase& c : cases) {
    At(c.at_us);
    EXPECT_EQ(TxStatus(), c.status) << "at " << c.at_us << " us";
    EXPECT_EQ(Transmitted(), c.transmitted) << "at " << c.at_us << " us";
  }
  EXPECT_EQ(Unit().Line(Device::kZcp).ToDevice(), Bytes(128));
  EXPECT_EQ(Unit().Uart().TxBytesLost(), 0);
}

TEST_F(SerialLineTest, AReadyTransmitterTakesAWholeBlockWithoutLoss) {
  Make(QuietChassis());
  Program(1085);
  Send(Bytes(128));
  At(11024);  // ready again: the shift register holds the last byte of the block
  ASSERT_EQ(TxStatus() & 0x02, 0);
  Send(Bytes(128));
  EXPECT_EQ(Unit().Uart().TxBytesLost(), 0);
  At(11023 + 129 * 87);  // the second block follows the last byte of the first
  EXPECT_EQ(TxStatus(), 0x01);
  EXPECT_EQ(Unit().Line(Device::kZcp).ToDevice(), Bytes(128) + Bytes(128));
}

TEST_F(SerialLineTest, BytesWrittenToAFullFifoAreLost) {
  Make(QuietChassis());
  Program(1085);
  Send(Bytes(140));  // the shift register and the FIFO hold 129 of them
  EXPECT_EQ(Unit().Uart().TxBytesLost(), 11);
  At(1'000'000);
  EXPECT_EQ(Unit().Line(Device::kZcp).ToDevice(), Bytes(129));
}

TEST_F(SerialLineTest, WithoutADivisorNothingMoves) {
  Make(QuietChassis());
  Send("abc");
  At(1'000'000);
  EXPECT_EQ(TxStatus(), 0x02) << "holding bytes it cannot send";
  EXPECT_EQ(Transmitted(), 0u);
  WriteReg(0x30, 250);  // 20 us a byte, starting now
  At(1'000'000 + 59);
  EXPECT_EQ(Transmitted(), 2u);
  At(1'000'000 + 60);
  EXPECT_EQ(Transmitted(), 3u);
  EXPECT_EQ(TxStatus(), 0x01);
}

TEST_F(SerialLineTest, AStuckTransmitterStaysBusyUntilReleased) {
  Make(QuietChassis());
  Program(1085);
  Unit().Uart().SetTransmitterStuck(true);
  EXPECT_EQ(TxStatus(), 0x02) << "busy even with nothing to send";
  Send("xy");
  for (std::int64_t us : {1'000, 100'000, 10'000'000}) {
    At(us);
    EXPECT_EQ(TxStatus(), 0x02) << "at " << us;
  }
  EXPECT_EQ(Transmitted(), 0u);
  Unit().Uart().SetTransmitterStuck(false);
  At(10'000'000 + 174);
  EXPECT_EQ(TxStatus(), 0x01);
  EXPECT_EQ(Unit().Line(Device::kZcp).ToDevice(), "xy");
}

TEST_F(SerialLineTest, AReplyComesBackAtTheLineRate) {
  Make(QuietChassis());
  Program(1085);
  Send("x");  // reaches the controller at 86.8 us; its echo ends at 173.606 us
  At(173);
  EXPECT_EQ(RxStatus(), 0x00);
  At(174);
  EXPECT_EQ(RxStatus(), 0x01);
  EXPECT_EQ(Receive(1), "x");
  EXPECT_EQ(RxStatus(), 0x00);
  EXPECT_EQ(Receive(1), std::string(1, '\0')) << "an empty FIFO reads zero";
}

class LineHistoryTest : public SerialLineTest, public ::testing::WithParamInterface<bool> {};

TEST_P(LineHistoryTest, KeptOnlyWhenAskedAndTheLineWorksEitherWay) {
  ChassisConfig config = QuietChassis();
  config.keep_line_history = GetParam();
  Make(config);
  Program(1085);
  Send("ab");
  At(1000);
  EXPECT_EQ(Receive(2), "ab") << "the controller's echo arrives whatever is kept";
  const std::size_t kept = GetParam() ? 2 : 0;
  EXPECT_EQ(Transmitted(), kept);
  EXPECT_EQ(Unit().Line(Device::kZcp).ToDevice().size(), kept);
  EXPECT_EQ(Unit().Line(Device::kZcp).FromDevice().size(), kept);
}

INSTANTIATE_TEST_SUITE_P(KeepOrNot, LineHistoryTest, ::testing::Bool());

TEST_F(SerialLineTest, RepliesQueueBehindEachOtherOnTheLine) {
  Make(QuietChassis());
  Program(1085);
  Unit().Inject(Device::kZcp, "abc");
  Unit().Inject(Device::kZcp, "de");  // behind abc, not over it
  const std::int64_t frame_ns = 86'806;
  for (std::int64_t frames = 1; frames <= 5; ++frames) {
    At(frames * frame_ns / 1000);
    EXPECT_EQ(RxStatus(), frames - 1) << frames;
    At(frames * frame_ns / 1000 + 1);
    EXPECT_EQ(RxStatus(), frames) << frames;
  }
  EXPECT_EQ(Receive(5), "abcde");
}

struct FifoCase {
  int depth;
  std::size_t arriving;
  std::uint8_t status;  // UartRcvSta
  std::uint8_t flags;   // UartCfg read
  std::size_t kept;
};

TEST_F(SerialLineTest, ReceiveCountSaturatesAndAFullFifoOverruns) {
  const FifoCase cases[] = {
      {128, 127, 0x7F, 0x00, 127}, {128, 128, 0x7F, 0x00, 128},     {128, 129, 0xFF, 0x02, 128},
      {128, 200, 0xFF, 0x02, 128}, {256, 200, 0x7F, 0x00, 200},     {1, 1, 0x01, 0x00, 1},
      {1, 2, 0x81, 0x02, 1},       {65536, 1000, 0x7F, 0x00, 1000},
  };
  for (const FifoCase& c : cases) {
    Make(QuietChassis(115200, c.depth));
    Program(1085);
    Unit().Inject(Device::kZcp, Bytes(c.arriving));
    At(1'000'000);
    const std::string where = std::to_string(c.arriving) + " into " + std::to_string(c.depth);
    EXPECT_EQ(RxStatus(), c.status) << where;
    EXPECT_EQ(ReadReg(0x36), c.flags) << where;
    EXPECT_EQ(Unit().Uart().RxFifoLevel(), c.kept) << where;
    EXPECT_EQ(Receive(static_cast<int>(c.kept)), Bytes(c.kept)) << "the oldest stay, " << where;
  }
}

TEST_F(SerialLineTest, CountStaysAt127WhileTheDeeperFifoEmpties) {
  Make(QuietChassis(115200, 256));
  Program(1085);
  Unit().Inject(Device::kZcp, Bytes(200));
  At(1'000'000);
  EXPECT_EQ(Receive(73), Bytes(73));
  EXPECT_EQ(RxStatus(), 0x7F) << "127 left";
  EXPECT_EQ(Receive(1), Bytes(74).substr(73));
  EXPECT_EQ(RxStatus(), 0x7E);
}

TEST_F(SerialLineTest, ReceiverInitClearsAnOverrun) {
  Make(QuietChassis());
  Program(1085);
  Unit().Inject(Device::kZcp, Bytes(200));
  At(1'000'000);
  ASSERT_EQ(RxStatus(), 0xFF);
  EXPECT_EQ(Unit().Uart().RxBytesLost(), 72);
  WriteReg(0x36, 0xC1);
  EXPECT_EQ(RxStatus(), 0x00);
  EXPECT_EQ(ReadReg(0x36), 0x00);
  EXPECT_EQ(Unit().Uart().RxFifoLevel(), 0u);
  Unit().Inject(Device::kZcp, "ok");
  At(2'000'000);
  EXPECT_EQ(RxStatus(), 0x02);
  EXPECT_EQ(Receive(2), "ok");
}

TEST_F(SerialLineTest, OtherConfigurationValuesLeaveTheReceiverAlone) {
  Make(QuietChassis());
  Program(1085);
  Unit().Inject(Device::kZcp, Bytes(130));
  At(1'000'000);
  WriteReg(0x36, 0xC0);
  WriteReg(0x36, 0x41);
  EXPECT_EQ(RxStatus(), 0xFF);
  EXPECT_EQ(ReadReg(0x36), 0x02);
}

TEST_F(SerialLineTest, AWrongRateGarblesEveryByteBothWays) {
  Make(QuietChassis(115200));
  Program(13021);  // 9600 bit/s against a 115200 line
  Unit().Inject(Device::kZcp, "AB");
  At(1'000);
  EXPECT_EQ(RxStatus(), 0x82);
  EXPECT_EQ(ReadReg(0x36), 0x01);
  const std::string garbled = Receive(2);
  EXPECT_NE(garbled[0], 'A');
  EXPECT_NE(garbled[1], 'B');
  EXPECT_NE(garbled[0], garbled[1]) << "different bytes stay different";
  EXPECT_EQ(RxStatus(), 0x80) << "the error stays until the receiver is reinitialised";
  WriteReg(0x36, 0xC1);
  EXPECT_EQ(RxStatus(), 0x00);
  EXPECT_EQ(ReadReg(0x36), 0x00);

  Send("V");
  At(10'000);
  const std::string heard = Unit().Line(Device::kZcp).ToDevice();
  ASSERT_EQ(heard.size(), 1u);
  EXPECT_NE(heard, "V");
}

TEST_F(SerialLineTest, TheSameBytesGarbleTheSameWay) {
  std::string first;
  for (int run = 0; run < 2; ++run) {
    Make(QuietChassis(115200));
    Program(13021);
    Unit().Inject(Device::kZcp, "Hello");
    At(1'000);
    const std::string garbled = Receive(5);
    if (run == 0) first = garbled;
    EXPECT_EQ(garbled, first);
  }
}

struct RateCase {
  std::uint16_t divisor;
  int line_baud;
  bool framing_error;
};

TEST_F(SerialLineTest, RatesWithinThreePercentDecodeCleanly) {
  const RateCase cases[] = {
      {1085, 115200, false},
      {2170, 57600, false},
      {13021, 9600, false},
      {13021, 115200, true},
      {1085, 9600, true},
      {1085, 57600, true},
      // 125,000 bit/s at divisor 1000: the far end may be 3 % off either way.
      {1000, 121360, false},
      {1000, 121359, true},
      {1000, 128865, false},
      {1000, 128866, true},
  };
  for (const RateCase& c : cases) {
    Make(QuietChassis(c.line_baud));
    Program(c.divisor);
    Unit().Inject(Device::kZcp, "A");
    At(100'000);
    const std::string where =
        "divisor " + std::to_string(c.divisor) + " line " + std::to_string(c.line_baud);
    EXPECT_EQ(ReadReg(0x36), c.framing_error ? 0x01 : 0x00) << where;
    EXPECT_EQ(RxStatus(), c.framing_error ? 0x81 : 0x01) << where;
    EXPECT_EQ(Receive(1) == "A", !c.framing_error) << where;
  }
}

TEST_F(SerialLineTest, AReceiverWithoutADivisorTakesNothingIn) {
  Make(QuietChassis());
  Unit().Inject(Device::kZcp, "abc");
  At(1'000);
  EXPECT_EQ(RxStatus(), 0x00);
  EXPECT_EQ(ReadReg(0x36), 0x00);
  EXPECT_EQ(Unit().Line(Device::kZcp).FromDevice(), "abc");
}

TEST_F(SerialLineTest, WhatAnUnconnectedDeviceSaysIsLost) {
  Make(QuietChassis());
  Program(1085);
  WriteReg(0x37, 0x40);  // module A
  Unit().Inject(Device::kZcp, "hello");
  At(1'000);
  WriteReg(0x37, 0x00);
  At(2'000);
  EXPECT_EQ(RxStatus(), 0x00);
  EXPECT_EQ(Unit().Line(Device::kZcp).FromDevice(), "hello") << "it was said, to nobody";
}

TEST_F(SerialLineTest, OnlyFramesThatStartAfterTheSwitchAreHeard) {
  Make(QuietChassis());
  Program(1085);
  Unit().Inject(Device::kZcp, "abcdef");  // frames end at 86.8, 173.6, 260.4, 347.2 ...
  At(200);
  WriteReg(0x37, 0x40);  // during c
  At(300);
  WriteReg(0x37, 0x00);  // during d: e is the first whole frame
  At(1'000);
  EXPECT_EQ(RxStatus(), 0x04);
  EXPECT_EQ(Receive(4), "abef");
}

TEST_F(SerialLineTest, TheByteOnTheWireWhenTheSelectorMovesReachesNeitherDevice) {
  Make(QuietChassis());
  Program(1085);
  Send("abc");  // frames end at 86.8, 173.6 and 260.4 us
  At(100);
  WriteReg(0x37, 0x50);  // module B, during b
  At(1'000);
  EXPECT_EQ(Unit().Line(Device::kZcp).ToDevice(), "a");
  EXPECT_EQ(Unit().Line(Device::kModuleB).ToDevice(), "c");
  EXPECT_EQ(Transmitted(), 3u) << "the UART sent all three";
}

TEST_F(SerialLineTest, AnOpenSelectorConnectsNothing) {
  Make(QuietChassis());
  Program(1085);
  WriteReg(0x37, 0x41);
  Send("abc");
  Unit().Inject(Device::kZcp, "z");
  At(1'000);
  EXPECT_EQ(Transmitted(), 3u);
  for (Device device :
       {Device::kZcp, Device::kModuleA, Device::kModuleB, Device::kModuleC, Device::kModuleD}) {
    EXPECT_EQ(Unit().Line(device).ToDevice(), "") << static_cast<int>(device);
  }
  EXPECT_EQ(RxStatus(), 0x00);
  EXPECT_THROW(Unit().Line(Device::kNone), std::out_of_range);
}

TEST_F(SerialLineTest, ALongSilenceDeliversEverythingInOrder) {
  Make(QuietChassis());
  Program(1085);
  Send("hi");
  Unit().Inject(Device::kZcp, Bytes(100));
  At(3'600'000'000);  // an hour later
  EXPECT_EQ(Unit().Line(Device::kZcp).ToDevice(), "hi");
  EXPECT_EQ(RxStatus(), 102);
  EXPECT_EQ(Receive(102), Bytes(100) + "hi") << "the echo queues behind the injected text";
}

TEST_F(SerialLineTest, BaseUnitsHaveLinesOfTheirOwn) {
  Make(QuietChassis());
  Program(1085);
  Send("a");
  At(1'000);
  EXPECT_EQ(chassis_->Base(2).Line(Device::kZcp).ToDevice(), "");
  EXPECT_EQ(chassis_->Base(2).Uart().TransmittedBytes().size(), 0u);
  chassis_->Out(0x313, 0x35);
  EXPECT_EQ(chassis_->In(0x312), 0x00);
}

}  // namespace
}  // namespace r7n::sim
