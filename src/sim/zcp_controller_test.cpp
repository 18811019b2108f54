#include "sim/zcp_controller.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "sim/chassis.h"
#include "sim/manual_clock.h"

namespace r7n::sim {
namespace {

// The controller's texts are spelled out here rather than taken from its
// constants, so a changed text shows up as a failing test.
constexpr std::string_view kPrompt = "\r\nZCP>";
constexpr std::string_view kVersionReply = "\r\nZCP controller firmware V2.31 (R7N)\r\nZCP>";
constexpr std::string_view kErrorReply = "\r\nUnknown command\r\nZCP>";
constexpr std::string_view kBanner = "\r\nZCP controller ready\r\nZCP>";

std::string Feed(ZcpController& zcp, std::string_view bytes, std::int64_t now_us = 0) {
  std::string out;
  for (char c : bytes) zcp.Receive(static_cast<std::uint8_t>(c), now_us, out);
  return out;
}

std::string Tick(ZcpController& zcp, std::int64_t now_us) {
  std::string out;
  zcp.Tick(now_us, out);
  return out;
}

struct CommandCase {
  std::string_view typed;
  std::string reply;  // everything after the echo
};

TEST(ZcpControllerTest, EchoesAndAnswersEachLine) {
  const CommandCase cases[] = {
      {"V\r", std::string(kVersionReply)},
      {"v\r", std::string(kVersionReply)},
      {"\r", std::string(kPrompt)},
      {"X\r", std::string(kErrorReply)},
      {"VV\r", std::string(kErrorReply)},
      {" V\r", std::string(kErrorReply)},
      {"W\bV\r", std::string(kVersionReply)},  // backspace takes the W back
      {"VX\x7F\r", std::string(kVersionReply)},
      {"\b\r", std::string(kPrompt)},
      {"V", ""},  // nothing until the line ends
  };
  for (const CommandCase& c : cases) {
    ZcpController zcp;
    EXPECT_EQ(Feed(zcp, c.typed), std::string(c.typed) + c.reply) << c.typed;
  }
}

TEST(ZcpControllerTest, ALineFeedAfterCarriageReturnStartsNoSecondLine) {
  ZcpController zcp;
  EXPECT_EQ(Feed(zcp, "\r\nV\r\n"),
            "\r" + std::string(kPrompt) + "\nV\r" + std::string(kVersionReply) + "\n");
}

TEST(ZcpControllerTest, EachLineStartsAfresh) {
  ZcpController zcp;
  Feed(zcp, "X\r");
  EXPECT_EQ(Feed(zcp, "V\r"), "V\r" + std::string(kVersionReply));
}

TEST(ZcpControllerTest, AnOverlongLineIsCutButEchoedWhole) {
  ZcpController zcp;
  const std::string long_line(200, 'V');
  EXPECT_EQ(Feed(zcp, long_line), long_line);
  EXPECT_EQ(zcp.LineSoFar().size(), ZcpController::kMaxLine);
  EXPECT_EQ(Feed(zcp, "\r"), "\r" + std::string(kErrorReply));
}

TEST(ZcpControllerTest, HeldInResetItHearsAndSaysNothing) {
  ZcpController zcp;
  Feed(zcp, "V");
  zcp.SetReset(true, 1'000);
  EXPECT_TRUE(zcp.InReset());
  EXPECT_EQ(Feed(zcp, "V\r", 2'000), "");
  EXPECT_EQ(Tick(zcp, 1'000'000), "");
  EXPECT_EQ(zcp.WakeUs(), std::nullopt);
}

TEST(ZcpControllerTest, GreetsTheLineOnceItHasBootedAfterAReset) {
  ZcpController zcp;
  EXPECT_EQ(Tick(zcp, 5'000), "") << "no banner without a reset";
  zcp.SetReset(true, 10'000);
  zcp.SetReset(false, 20'000);
  EXPECT_FALSE(zcp.InReset());
  EXPECT_EQ(zcp.WakeUs(), 22'000);
  EXPECT_EQ(Tick(zcp, 21'999), "");
  EXPECT_EQ(Feed(zcp, "V\r", 21'999), "") << "still booting";
  EXPECT_EQ(Tick(zcp, 22'000), kBanner);
  EXPECT_EQ(Tick(zcp, 30'000), "") << "only once";
  EXPECT_EQ(zcp.WakeUs(), std::nullopt);
  EXPECT_EQ(Feed(zcp, "\r", 30'000), "\r" + std::string(kPrompt))
      << "what came before the reset is forgotten";
}

TEST(ZcpControllerTest, ABytePastTheBootTimeGetsTheBannerFirst) {
  ZcpController zcp;
  zcp.SetReset(true, 0);
  zcp.SetReset(false, 0);
  EXPECT_EQ(Feed(zcp, "V\r", 5'000), std::string(kBanner) + "V\r" + std::string(kVersionReply));
}

TEST(ZcpControllerTest, AResetThatEndsAgainBeforeBootRestartsTheBoot) {
  ZcpController zcp;
  zcp.SetReset(true, 0);
  zcp.SetReset(false, 1'000);
  zcp.SetReset(true, 1'500);
  EXPECT_EQ(Tick(zcp, 3'000), "");
  zcp.SetReset(false, 4'000);
  EXPECT_EQ(Tick(zcp, 5'999), "");
  EXPECT_EQ(Tick(zcp, 6'000), kBanner);
}

// The controller on its line, driven through the ports as the service
// console drives it.

class ZcpOnTheLineTest : public ::testing::Test {
 protected:
  void WriteReg(std::uint8_t reg, std::uint8_t value) {
    chassis_.Out(0x311, reg);
    chassis_.Out(0x310, value);
  }
  std::uint8_t ReadReg(std::uint8_t reg) {
    chassis_.Out(0x311, reg);
    return chassis_.In(0x310);
  }
  void Select115200() {
    WriteReg(0x37, 0x00);
    WriteReg(0x30, 0x3D);
    WriteReg(0x31, 0x04);
    WriteReg(0x36, 0xC1);
    WriteReg(0x33, 0x01);
  }
  void Send(std::string_view text) {
    chassis_.Out(0x311, 0x32);
    for (char c : text) chassis_.Out(0x310, static_cast<std::uint8_t>(c));
  }
  std::string Drain() {
    const int count = ReadReg(0x35) & 0x7F;
    std::string text;
    chassis_.Out(0x311, 0x34);
    for (int i = 0; i < count; ++i) text += static_cast<char>(chassis_.In(0x310));
    return text;
  }

  ManualClock clock_;
  Chassis chassis_{clock_};
};

TEST_F(ZcpOnTheLineTest, AnswersTheVersionQuery) {
  Select115200();
  Send("\r");
  clock_.SleepMs(50);
  Send("V\r");
  clock_.SleepMs(50);
  EXPECT_EQ(Drain(), "\r" + std::string(kPrompt) + "V\r" + std::string(kVersionReply));
  EXPECT_EQ(ReadReg(0x35), 0x00) << "no error";
}

TEST_F(ZcpOnTheLineTest, AResetPulseBringsTheBanner) {
  Select115200();
  WriteReg(0x37, 0x01);
  Send("V\r");
  clock_.SetUs(10'000);
  WriteReg(0x37, 0x00);
  EXPECT_EQ(ReadReg(0x35), 0x00) << "nothing while held";
  // The banner starts 2 ms after the release; each of its bytes takes 86.806 us.
  const std::int64_t end_us = (12'000'000 + std::int64_t{kBanner.size()} * 86'806) / 1000;
  clock_.SetUs(end_us);
  EXPECT_EQ(ReadReg(0x35), static_cast<std::uint8_t>(kBanner.size() - 1));
  clock_.SetUs(end_us + 1);
  EXPECT_EQ(Drain(), kBanner);
  EXPECT_EQ(chassis_.Base(1).ZcpResetCount(), 1);
}

TEST_F(ZcpOnTheLineTest, AResetCutsAReplyShort) {
  Select115200();
  Send("V\r");
  clock_.SleepMs(1);  // the echo is out, the version text still going
  WriteReg(0x37, 0x01);
  const std::string before = Drain();
  clock_.SleepMs(5);
  WriteReg(0x37, 0x00);
  const std::string& said = chassis_.Base(1).Line(Device::kZcp).FromDevice();
  EXPECT_LT(said.size(), 2 + kVersionReply.size());
  EXPECT_EQ(said.substr(0, 2), "V\r");
  EXPECT_EQ(before, said);
}

}  // namespace
}  // namespace r7n::sim
