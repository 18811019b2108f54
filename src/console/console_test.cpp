#include "console/console.h"

#include <gtest/gtest.h>

#include "platform/virtual_clock.h"
#include "testing/headless_console.h"

namespace r7n {
namespace {

constexpr std::int64_t kMs = 1000;

class ConsoleTest : public ::testing::Test {
 protected:
  VirtualClock clock_;
  testing::HeadlessConsole device_{clock_};
  Console con_{device_, clock_};
};

TEST_F(ConsoleTest, ConKeyWithoutKeyReturnsEmptyAtOnce) {
  EXPECT_EQ(con_.ConKey(), "");
  EXPECT_EQ(clock_.NowUs(), 0);
}

TEST_F(ConsoleTest, WaitKeyWithKeyWaitingReturnsAfterOneTick) {
  device_.ScheduleKey(0, "x");
  EXPECT_EQ(con_.WaitKey(), "x");
  EXPECT_EQ(clock_.NowUs(), 10 * kMs);
}

TEST_F(ConsoleTest, WaitKeyPollsEveryTenMilliseconds) {
  device_.ScheduleKey(35 * kMs, "y");
  EXPECT_EQ(con_.WaitKey(), "y");
  EXPECT_EQ(clock_.NowUs(), 40 * kMs);
}

struct SleepCase {
  const char* name;
  int ms;
  std::int64_t key_at_ms;  // -1: no key
  std::int64_t returns_at_ms;
  friend void PrintTo(const SleepCase& c, std::ostream* os) { *os << c.name; }
};

class ConSleepTest : public ConsoleTest, public ::testing::WithParamInterface<SleepCase> {};

TEST_P(ConSleepTest, ShortensOnlyAsDescribed) {
  const SleepCase& c = GetParam();
  if (c.key_at_ms >= 0) device_.ScheduleKey(c.key_at_ms * kMs, "k");
  con_.ConSleep(c.ms);
  EXPECT_EQ(clock_.NowUs(), c.returns_at_ms * kMs) << c.name;
  if (c.key_at_ms >= 0 && c.key_at_ms <= c.returns_at_ms) {
    EXPECT_EQ(con_.ConKey(), "k") << "the key stays waiting: " << c.name;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Pauses, ConSleepTest,
    ::testing::Values(SleepCase{"99 ms is never cut", 99, 5, 99},
                      SleepCase{"100 ms checks only at its start", 100, 10, 100},
                      SleepCase{"150 ms with key in first slice", 150, 20, 50},
                      SleepCase{"150 ms without key", 150, -1, 150},
                      SleepCase{"key waiting before 150 ms", 150, 0, 0},
                      SleepCase{"1000 ms, key at 420 ms", 1000, 420, 450},
                      SleepCase{"key in the last slice does not cut", 200, 160, 200},
                      SleepCase{"-5 returns at once", -5, -1, 0},
                      SleepCase{"0 returns at once", 0, -1, 0},
                      SleepCase{"-1 waits for a key", -1, 120, 150}));

TEST_F(ConsoleTest, KeyAlreadyCheckedDoesNotCutTheNextPause) {
  device_.ScheduleKey(0, "k");
  con_.ConSleep(150);  // sees the key at its start
  EXPECT_EQ(clock_.NowUs(), 0);
  con_.ConSleep(150);  // the key is still waiting but no longer new
  EXPECT_EQ(clock_.NowUs(), 150 * kMs);
  EXPECT_EQ(con_.ConKey(), "k");
}

TEST_F(ConsoleTest, ConSleepPlainIgnoresKeys) {
  device_.ScheduleKey(0, "k");
  con_.ConSleepPlain(500);
  EXPECT_EQ(clock_.NowUs(), 500 * kMs);
  EXPECT_EQ(con_.ConKey(), "k");
}

TEST_F(ConsoleTest, KeyQueueDropsOldestBeyond511) {
  for (int i = 0; i < 600; ++i) device_.ScheduleKey(0, std::to_string(i));
  std::vector<KeyCode> got;
  for (KeyCode k = con_.ConKey(); !k.empty(); k = con_.ConKey()) got.push_back(k);
  ASSERT_EQ(got.size(), 511u);
  EXPECT_EQ(got.front(), "89");
  EXPECT_EQ(got.back(), "599");
}

TEST_F(ConsoleTest, ConColorPacksAndKeeps) {
  con_.ConColor(14, 1, 0);
  EXPECT_EQ(con_.ConColor(0, 0, 3), 14u | (1u << 16));
  EXPECT_EQ(con_.ConColor(0, 0, 3), 14u | (1u << 16)) << "keep flags 3 change nothing";
  con_.ConColor(9, 0, 2);
  EXPECT_EQ(con_.ConColor(0, 0, 3), 9u | (1u << 16)) << "bit 1 keeps the background";
  con_.ConColor(0, 4, 1);
  EXPECT_EQ(con_.ConColor(0, 0, 3), 9u | (4u << 16)) << "bit 0 keeps the foreground";
}

TEST_F(ConsoleTest, ConLocateRules) {
  con_.ConClear();
  con_.ConLocate(5, 5, -1);
  con_.ConLocate(0, 10, -1);
  EXPECT_EQ(con_.ConCsrRow(), 5);
  EXPECT_EQ(con_.ConCsrCol(), 10);
  con_.ConLocate(30, 1, 0);
  EXPECT_EQ(con_.ConCsrRow(), 5);
  EXPECT_EQ(con_.ConCsrCol(), 10);
  con_.Present();
  EXPECT_FALSE(device_.Shown().cursor_visible) << "visibility applies even when the move does not";
}

TEST_F(ConsoleTest, ConPrintLineEndAndEmptyLine) {
  con_.ConClear();
  con_.ConPrint("ab", true);
  EXPECT_EQ(con_.ConCsrRow(), 2);
  EXPECT_EQ(con_.ConCsrCol(), 1);
  con_.ConPrint("", true);
  EXPECT_EQ(con_.ConCsrRow(), 3);
}

TEST_F(ConsoleTest, BelBeepsForItsFullLength) {
  con_.ConPrint("a\ab", false);
  ASSERT_EQ(device_.BeepTimes().size(), 1u);
  EXPECT_EQ(clock_.NowUs(), 250 * kMs);
  con_.Present();
  EXPECT_EQ(device_.Shown().At(1, 2).ch, 'b');
}

TEST_F(ConsoleTest, OutputReachesTheDeviceWhenTheProgramWaits) {
  con_.ConClear();
  con_.ConPrint("hello", false);
  EXPECT_NE(device_.Shown().At(1, 1).ch, 'h');
  con_.ConSleep(10);
  EXPECT_EQ(device_.Shown().At(1, 1).ch, 'h');
  const int shows = device_.ShowCount();
  con_.ConSleep(10);
  EXPECT_EQ(device_.ShowCount(), shows) << "an unchanged screen is not shown again";
}

}  // namespace
}  // namespace r7n
