#include "terminal/receive_parser.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace r7n {
namespace {

// Writes the events as one text: a shown byte as itself, every other event in
// braces, so a case reads like the output it stands for.
class TraceSink : public ReceiveSink {
 public:
  void Shown(std::uint8_t byte) override { trace += static_cast<char>(byte); }
  void Visible(std::string_view text) override {
    trace += "{v ";
    trace += text;
    trace += '}';
  }
  void Tab() override { trace += "{tab}"; }
  void Backspace() override { trace += "{bs}"; }
  void Bell() override { trace += "{bell}"; }
  void Sgr(int n) override { trace += "{sgr " + std::to_string(n) + "}"; }
  void EraseToEnd() override { trace += "{erase}"; }

  std::string trace;
};

std::string Parse(std::string_view bytes) {
  TraceSink sink;
  ReceiveParser parser(sink);
  parser.Feed(bytes);
  return sink.trace;
}

struct ParseCase {
  const char* name;
  std::string bytes;
  std::string events;
  friend void PrintTo(const ParseCase& c, std::ostream* os) { *os << c.name; }
};

class ReceiveParserTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ReceiveParserTest, EmitsEvents) {
  const ParseCase& c = GetParam();
  EXPECT_EQ(Parse(c.bytes), c.events) << c.name;
}

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(
    Normal, ReceiveParserTest,
    ::testing::Values(ParseCase{"plain text and line ends", "ab\r\nc", "ab\r\nc"},
                      ParseCase{"tab", "a\tb", "a{tab}b"}, ParseCase{"backspace", "a\bb", "a{bs}b"},
                      ParseCase{"bell", "\a", "{bell}"}, ParseCase{"NUL", "\0"s, "{v <0>}"},
                      ParseCase{"0x0B", "\x0B", "{v <B>}"}, ParseCase{"0x1F", "\x1F", "{v <1F>}"},
                      ParseCase{"FF and CR shown, not hex", "\x0C\r", "{v <C>}\r"},
                      ParseCase{"DEL shown", "\x7F", "\x7F"},
                      ParseCase{"high bytes shown", "\x80\xB0\xFF", "\x80\xB0\xFF"}));

INSTANTIATE_TEST_SUITE_P(
    Escapes, ReceiveParserTest,
    ::testing::Values(
        ParseCase{"bright green", "\x1b[1;32mX", "{sgr 1}{sgr 32}X"},
        ParseCase{"empty parameter is 0", "\x1b[m", "{sgr 0}"},
        ParseCase{"empty parameters around ;", "\x1b[;m", "{sgr 0}{sgr 0}"},
        ParseCase{"leading zeros", "\x1b[0031m", "{sgr 31}"},
        ParseCase{"parameter cleared after ;", "\x1b[4;m", "{sgr 4}{sgr 0}"},
        ParseCase{"erase ignores its parameter", "\x1b[2JX", "{erase}X"},
        ParseCase{"erase in line not interpreted", "\x1b[K", "{v <ESC><[><?>K}"},
        ParseCase{"unknown final drops the parameter", "\x1b[12;3H\x1b[m",
                  "{sgr 12}{v <ESC><[><?>H}{sgr 0}"},
        ParseCase{"erase drops the parameter", "\x1b[5J\x1b[m", "{erase}{sgr 0}"},
        ParseCase{"private mode: rest is text", "\x1b[?25l", "{v <ESC><[><?>?}25l"},
        ParseCase{"control byte as final is passed on", "\x1b[\r", "{v <ESC><[><?>\r}"},
        ParseCase{"ESC inside parameters ends it", "\x1b[3\x1b[m", "{v <ESC><[><?>\x1b}[m"},
        ParseCase{"ESC c",
                  "\x1b"
                  "c",
                  "{v <ESC><63>}"},
        ParseCase{"ESC ESC", "\x1b\x1b[m", "{v <ESC><1B>}[m"},
        ParseCase{"ESC NUL", "\x1b\0"s, "{v <ESC><0>}"},
        ParseCase{"ESC then tab is not a tab", "\x1b\t", "{v <ESC><9>}"},
        ParseCase{"ESC high byte", "\x1b\xC8", "{v <ESC><C8>}"}));

TEST(ReceiveParserHugeParameterTest, SaturatesInsteadOfOverflowing) {
  const std::string digits(100'000, '9');
  EXPECT_EQ(Parse("\x1b[" + digits + ";32m"), "{sgr 2147483647}{sgr 32}");
  EXPECT_EQ(Parse("\x1b[" + std::string(100'000, '0') + "31m"), "{sgr 31}");
}

TEST(ReceiveParserSplitTest, EverySplitPointGivesTheWholeResult) {
  for (const std::string& bytes : {"a\x1b[1;32mb"s,
                                   "\x1b[2J\x1b"
                                   "c"s,
                                   "\x1b[?25l\t"s, "x\x1b[41m\x1b[44;0mz"s}) {
    const std::string whole = Parse(bytes);
    for (std::size_t split = 1; split < bytes.size(); ++split) {
      TraceSink sink;
      ReceiveParser parser(sink);
      parser.Feed(std::string_view(bytes).substr(0, split));
      parser.Feed(std::string_view(bytes).substr(split));
      EXPECT_EQ(sink.trace, whole) << "split at " << split << " of " << bytes.substr(1);
    }
    TraceSink sink;
    ReceiveParser parser(sink);
    for (const char c : bytes) parser.Feed(static_cast<std::uint8_t>(c));
    EXPECT_EQ(sink.trace, whole) << "byte by byte: " << bytes.substr(1);
  }
}

TEST(ReceiveParserStateTest, StateFollowsTheSequence) {
  TraceSink sink;
  ReceiveParser parser(sink);
  EXPECT_EQ(parser.CurrentState(), ReceiveParser::State::kNormal);
  parser.Feed(0x1B);
  EXPECT_EQ(parser.CurrentState(), ReceiveParser::State::kAfterEsc);
  parser.Feed("[1;");
  EXPECT_EQ(parser.CurrentState(), ReceiveParser::State::kInParams);
  parser.Feed(std::uint8_t{'m'});
  EXPECT_EQ(parser.CurrentState(), ReceiveParser::State::kNormal);
}

}  // namespace
}  // namespace r7n
