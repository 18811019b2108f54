#include "bench/soak_keyboard.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bench/soak_run.h"
#include "platform/virtual_clock.h"

namespace r7n::bench {
namespace {

constexpr std::int64_t kOpenUs = 100'000;
constexpr std::int64_t kCloseUs = 125 * kUsPerSecond;

std::vector<ScriptedKey> AllKeys(SoakScript script) {
  std::vector<ScriptedKey> keys;
  while (std::optional<Episode> episode = script.Next()) {
    keys.insert(keys.end(), episode->keys.begin(), episode->keys.end());
  }
  return keys;
}

class KeyboardTest : public ::testing::Test {
 protected:
  std::vector<std::string> PollAt(std::int64_t us) {
    clock_.AdvanceUs(us - clock_.NowUs());
    std::vector<std::string> keys;
    keyboard_.PollKeys(keys);
    return keys;
  }

  VirtualClock clock_;
  SoakScript script_{7, kUsPerSecond, 120 * kUsPerSecond};
  SoakKeyboard keyboard_{clock_, script_, kOpenUs, kCloseUs};
};

TEST_F(KeyboardTest, OpensTheSessionThenTypesEachKeyWhenItsTimeComes) {
  const std::vector<ScriptedKey> script = AllKeys(script_);
  ASSERT_GT(script.size(), 10u);
  EXPECT_TRUE(PollAt(kOpenUs - 1).empty());
  EXPECT_EQ(PollAt(kOpenUs), std::vector<std::string>{"a"});
  EXPECT_TRUE(PollAt(script[0].at_us - 1).empty());
  EXPECT_EQ(PollAt(script[0].at_us), std::vector<std::string>{script[0].key});
  std::vector<std::string> want;
  for (std::size_t i = 1; i < script.size(); ++i) want.push_back(script[i].key);
  EXPECT_EQ(PollAt(kCloseUs - 1), want);
  EXPECT_EQ(PollAt(kCloseUs), std::vector<std::string>{KeyShiftF2});
  EXPECT_EQ(PollAt(kCloseUs + 500'000), std::vector<std::string>{"q"});
  EXPECT_TRUE(PollAt(kCloseUs + 10 * kUsPerSecond).empty());
}

TEST_F(KeyboardTest, CountsTheScriptsKeysByWhatTheyDo) {
  std::vector<std::int64_t> polls;
  keyboard_.SetPollHook([&polls](std::int64_t now) { polls.push_back(now); });
  PollAt(kCloseUs + kUsPerSecond);
  EXPECT_EQ(polls, std::vector<std::int64_t>{kCloseUs + kUsPerSecond});
  KeyboardFigures want;
  for (const ScriptedKey& key : AllKeys(script_)) {
    ++want.keys;
    want.macros += key.role == KeyRole::kMacro;
    want.waiting_macros += key.waits;
    want.external_macros += key.role == KeyRole::kExternalMacro;
    want.empty_function_keys += key.role == KeyRole::kNoMacro;
    want.help += key.role == KeyRole::kHelp;
  }
  const KeyboardFigures& got = keyboard_.Figures();
  EXPECT_EQ(got.keys, want.keys);
  EXPECT_EQ(got.macros, want.macros);
  EXPECT_EQ(got.waiting_macros, want.waiting_macros);
  EXPECT_EQ(got.external_macros, want.external_macros);
  EXPECT_EQ(got.empty_function_keys, want.empty_function_keys);
  EXPECT_EQ(got.help, want.help);
}

TEST(ExpectedKeyBytes, AreWhatEveryKeySendsInOrderWhateverTheChunks) {
  const SoakScript script(11, kUsPerSecond, 300 * kUsPerSecond);
  std::string want;
  for (const ScriptedKey& key : AllKeys(script)) want += key.sends;
  ASSERT_GT(want.size(), 20u);
  for (const std::size_t chunk : {std::size_t{1}, std::size_t{5}, std::size_t{1} << 20}) {
    ExpectedKeyBytes expected(script);
    std::string got;
    while (expected.Read(got, chunk)) {
    }
    EXPECT_EQ(got, want) << "chunks of " << chunk;
  }
}

}  // namespace
}  // namespace r7n::bench
