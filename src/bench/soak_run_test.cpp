#include "bench/soak_run.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bench/soak_script.h"
#include "bench/stream_compare.h"
#include "bench/stream_tokens.h"

namespace r7n::bench {
namespace {

constexpr std::int64_t kMinute = 60 * kUsPerSecond;

// A source that hands out at most `piece` bytes at a time, as a slow file does.
ByteSource Pieces(const std::string& text, std::size_t piece) {
  return [&text, piece, at = std::size_t{0}](std::string& out, std::size_t max) mutable {
    if (at >= text.size()) return false;
    const std::size_t n = std::min({piece, max, text.size() - at});
    out.append(text, at, n);
    at += n;
    return true;
  };
}

struct CompareCase {
  const char* name;
  std::string expected;
  std::string actual;
  std::optional<std::uint64_t> first_difference;
};

std::string Long(std::size_t size, std::size_t changed_at = std::string::npos) {
  std::string text(size, 'x');
  for (std::size_t i = 0; i < size; ++i) text[i] = static_cast<char>('a' + i % 26);
  if (changed_at < size) text[changed_at] = '#';
  return text;
}

class CompareStreamsTest : public ::testing::TestWithParam<CompareCase> {};

TEST_P(CompareStreamsTest, FindsTheFirstDifferenceAndCountsBoth) {
  const CompareCase& c = GetParam();
  for (const std::size_t piece : {std::size_t{1000}, std::size_t{7}}) {
    const StreamComparison got = CompareStreams(TextSource(c.expected), Pieces(c.actual, piece));
    EXPECT_EQ(got.first_difference, c.first_difference) << "pieces of " << piece;
    EXPECT_EQ(got.expected, c.expected.size());
    EXPECT_EQ(got.actual, c.actual.size());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CompareStreamsTest,
    ::testing::Values(CompareCase{"BothEmpty", "", "", std::nullopt},
                      CompareCase{"Same", "ab\r\ncd", "ab\r\ncd", std::nullopt},
                      CompareCase{"OneByteOff", "abcd", "abXd", 2},
                      CompareCase{"ActualEndsEarly", "abcd", "ab", 2},
                      CompareCase{"ActualGoesOn", "ab", "abcd", 2},
                      CompareCase{"NothingCame", "abcd", "", 0},
                      CompareCase{"SameBeyondAChunk", Long(200'000), Long(200'000), std::nullopt},
                      CompareCase{"OffInTheThirdChunk", Long(200'000), Long(200'000, 150'001),
                                  150'001},
                      CompareCase{"LongerBeyondAChunk", Long(70'000), Long(200'000), 70'000}),
    [](const ::testing::TestParamInfo<CompareCase>& param_info) {
      return std::string(param_info.param.name);
    });

// The soak only means something if the far end sends every kind of byte the
// terminal treats differently, and never a BEL that would stop it reading.
TEST(StreamTokens, SendEveryKindOfByteButNoToneMidBurst) {
  StreamTokens tokens(StreamSeed(1));
  StreamToken token;
  std::string wire;
  std::string captured;
  for (int i = 0; i < 50'000; ++i) {
    tokens.Next(token);
    ASSERT_FALSE(token.wire.empty());
    for (std::size_t at = token.wire.find('\x07'); at != std::string::npos;
         at = token.wire.find('\x07', at + 1)) {
      ASSERT_TRUE(at > 0 && token.wire[at - 1] == '\x1b') << "a BEL that would sound: piece " << i;
    }
    wire += token.wire;
    captured += token.captured;
  }
  for (const char* part : {"\x1b[", "m", "J", "?25l", "\t", "\b", "\r\n", "\x7f", "\xff"}) {
    EXPECT_NE(wire.find(part), std::string::npos) << "never sent: " << part;
  }
  EXPECT_NE(wire.find('\0'), std::string::npos);
  EXPECT_EQ(captured.find('\x1b'), std::string::npos);
  EXPECT_EQ(captured.find('\t'), std::string::npos);
  EXPECT_LT(captured.size(), wire.size());
}

TEST(ExpectedCapture, IsTheKeptPartOfEachPieceWhateverTheChunks) {
  StreamTokens tokens(StreamSeed(2));
  StreamToken token;
  std::string want;
  for (int i = 0; i < 2000; ++i) {
    tokens.Next(token);
    want += token.captured;
  }
  for (const std::size_t chunk : {std::size_t{1}, std::size_t{33}, std::size_t{1} << 20}) {
    ExpectedCapture expected(2, 2000);
    std::string got;
    while (expected.Read(got, chunk)) {
    }
    EXPECT_EQ(got, want) << "chunks of " << chunk;
  }
}

TEST(SoakScript, CopiesPlayTheSameDayAndWaitingMacrosComeOnlyInQuiet) {
  SoakScript script(9, kUsPerSecond, 30 * kMinute);
  SoakScript copy = script;
  std::int64_t previous_end = kUsPerSecond;
  int episodes = 0;
  int waiting = 0;
  while (std::optional<Episode> episode = script.Next()) {
    ++episodes;
    const std::optional<Episode> same = copy.Next();
    ASSERT_TRUE(same.has_value());
    ASSERT_EQ(same->burst_end_us, episode->burst_end_us);
    ASSERT_EQ(same->keys.size(), episode->keys.size());
    EXPECT_EQ(episode->burst_start_us, previous_end) << "episodes follow each other";
    previous_end = episode->quiet_end_us;
    for (const ScriptedKey& key : episode->keys) {
      if (key.waits || key.role == KeyRole::kRelease) {
        ++waiting;
        EXPECT_GT(key.at_us, episode->burst_end_us) << "a waiting macro while bytes flow";
      } else {
        EXPECT_LE(key.at_us, episode->burst_end_us - SoakScript::kFlowingKeyUs);
      }
    }
  }
  EXPECT_FALSE(copy.Next().has_value());
  EXPECT_FALSE(script.Next().has_value()) << "once over, always over";
  EXPECT_LE(previous_end, 30 * kMinute);
  EXPECT_GT(episodes, 50);
  EXPECT_GT(waiting, 10);
}

void ExpectCleanSession(const SoakFigures& f) {
  EXPECT_EQ(f.exit_status, 0);
  EXPECT_EQ(f.lost_in_uart, 0u);
  EXPECT_EQ(f.far_end.unheard, 0u);
  EXPECT_TRUE(f.capture.Equal()) << "first difference at " << f.capture.first_difference.value_or(0)
                                 << " of " << f.capture.expected;
  EXPECT_EQ(f.capture.actual, f.capture.expected);
  EXPECT_TRUE(f.to_module.Equal())
      << "first difference at " << f.to_module.first_difference.value_or(0);
  EXPECT_EQ(f.external_runs, f.keyboard.external_macros);
  EXPECT_EQ(f.keyboard.beeps, f.far_end.bells);
  EXPECT_TRUE(SoakFaults(f).empty());
}

// Three minutes: under the sanitizers of the development build a virtual
// minute takes over a second; r7n_soak runs the long ones.
TEST(Soak, ThreeMinutesKeepEveryShownByteAndLoseNone) {
  SoakOptions options;
  options.virtual_us = 3 * kMinute;
  options.seed = 3;
  const SoakFigures f = RunSoak(options);
  ExpectCleanSession(f);
  // Shift-F2 a second before the end, Q half a second later, taken at the
  // menu's next 10 ms keyboard tick.
  EXPECT_GE(f.virtual_us, options.virtual_us - kUsPerSecond / 2);
  EXPECT_LE(f.virtual_us, options.virtual_us - kUsPerSecond / 2 + 11'000);
  // A session that did all the soak is about: a busy line, every kind of key.
  EXPECT_GT(f.line_busy, 0.85);
  EXPECT_GT(f.capture.expected, 1'500'000u);
  EXPECT_GT(f.keyboard.waiting_macros, 2u);
  EXPECT_GT(f.keyboard.macros, f.keyboard.waiting_macros);
  EXPECT_GT(f.keyboard.external_macros, 0u);
  EXPECT_GT(f.keyboard.help, 0u);
  EXPECT_GT(f.far_end.bells, 0u);
}

TEST(Soak, FarEndOnTheSimulatedLineGivesTheSameSession) {
  SoakOptions options;
  options.virtual_us = kMinute;
  options.seed = 4;
  const SoakFigures direct = RunSoak(options);
  options.path = FeedPath::kSimLine;
  const SoakFigures line = RunSoak(options);
  ExpectCleanSession(line);
  EXPECT_EQ(line.far_end.sent, direct.far_end.sent);
  EXPECT_EQ(line.capture.actual, direct.capture.actual);
  EXPECT_EQ(line.to_module.actual, direct.to_module.actual);
  EXPECT_EQ(line.keyboard.keys, direct.keyboard.keys);
  // The line keeps a copy of all it carried; straight into the UART, nothing does.
  EXPECT_GE(line.sim_record_bytes, line.far_end.sent);
  EXPECT_LT(direct.sim_record_bytes, direct.far_end.sent / 1000);
}

}  // namespace
}  // namespace r7n::bench
