#include "sim/text_module.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <string>

namespace r7n::sim {
namespace {

// However the stream is cut, it reads as whole numbered lines, each one
// above the last: what a capture is compared with must not depend on the
// bursts it came in.
TEST(TextGenerator, ReadsTheSameInAnyPiecesAsConsecutiveLines) {
  constexpr std::size_t kTotal = 60'000;
  const std::string whole = TextGenerator().Next(kTotal);
  ASSERT_EQ(whole.size(), kTotal);
  for (const std::size_t piece : {std::size_t{1}, std::size_t{7}, std::size_t{53}, std::size_t{54},
                                  std::size_t{55}, std::size_t{4096}, kTotal}) {
    TextGenerator cut;
    std::string joined;
    while (joined.size() < kTotal) joined += cut.Next(std::min(piece, kTotal - joined.size()));
    EXPECT_EQ(joined, whole) << "piece " << piece;
  }
  std::size_t at = 0;
  for (unsigned number = 0; at + 54 <= whole.size(); ++number, at += 54) {
    char line[64];
    std::snprintf(line, sizeof line, "%08u the quick brown fox jumps over the lazy dog\r\n",
                  number);
    ASSERT_EQ(whole.substr(at, 54), line) << "line " << number;
  }
  EXPECT_EQ(TextGenerator().Next(0), "");
}

TEST(TextModule, EachCarriageReturnAndNothingElseSendsTheNextBurst) {
  struct Case {
    std::uint8_t byte;
    std::size_t sends;
  };
  const Case cases[] = {{'\r', 100}, {'\n', 0}, {'a', 0}, {0x03, 0}, {'\r', 100}, {0xFF, 0}};
  TextModule module(100);
  TextGenerator stream;
  for (const Case& c : cases) {
    std::string out;
    module.Receive(c.byte, 0, out);
    EXPECT_EQ(out, stream.Next(c.sends)) << "byte " << int{c.byte};
  }
  for (const int bytes : {0, -1}) EXPECT_THROW(TextModule{bytes}, std::invalid_argument);
}

TEST(TextModule, ALongBurstComesInPiecesAtTheModelsSteps) {
  TextModule module(1000);
  std::string out;
  module.Receive('\r', 0, out);
  EXPECT_EQ(out.size(), TextModule::kPieceBytes);
  for (int step = 1; step <= 10; ++step) module.Tick(step, out);
  EXPECT_EQ(out, TextGenerator().Next(1000)) << "the whole burst, once";
}

}  // namespace
}  // namespace r7n::sim
