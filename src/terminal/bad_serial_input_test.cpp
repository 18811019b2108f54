// Whatever a far end puts on the line, the terminal session shows it, loses
// nothing it could have kept, reports what the operator must hear of, and
// goes on: random bytes, endless escape parameters, BEL floods, a line at the
// wrong rate and a receive FIFO that overflows.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "console/console.h"
#include "console/screen_helpers.h"
#include "terminal/receive_parser.h"
#include "terminal/serial_terminal.h"
#include "testing/program_harness.h"

namespace r7n {
namespace {

using testing::HarnessOptions;
using testing::ProgramHarness;

constexpr std::int64_t kUsPerMs = 1000;
// Key A opens the session on module A of base unit 1 at this time; its
// output starts on row 22, below the menu and the session's header.
constexpr std::int64_t kOpenAtMs = 100;
constexpr int kFirstOutputRow = 22;
constexpr std::int64_t kBeepUs = Console::kBeepMs * kUsPerMs;

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A silent module in slot A answers nothing, so what its line carries is
// exactly what a test puts on it.
HarnessOptions SilentModuleA() {
  HarnessOptions options;
  options.chassis.base1.modules[0] = sim::ModuleKind::kSilent;
  return options;
}

void SendAt(ProgramHarness& h, std::int64_t at_ms, std::string bytes) {
  h.ProbeAt(at_ms, [&h, bytes = std::move(bytes)] {
    h.Chassis().MutableBase(1).Inject(sim::Device::kModuleA, bytes);
  });
}

const std::string& Heard(ProgramHarness& h) {
  return h.Chassis().Base(1).Line(sim::Device::kModuleA).ToDevice();
}

// The bytes of a stream that the session must copy to Term.txt: those the
// receive parser shows as themselves.
std::string CaptureOf(std::string_view stream) {
  struct ShownBytes : ReceiveSink {
    void Shown(std::uint8_t byte) override { bytes += static_cast<char>(byte); }
    void Visible(std::string_view) override {}
    void Tab() override {}
    void Backspace() override {}
    void Bell() override {}
    void Sgr(int) override {}
    void EraseToEnd() override {}
    std::string bytes;
  } sink;
  ReceiveParser parser(sink);
  parser.Feed(stream);
  return sink.bytes;
}

std::string RandomBytes(std::uint32_t seed, std::size_t count) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> byte(0, 255);
  std::string bytes(count, '\0');
  for (char& c : bytes) c = static_cast<char>(byte(random));
  return bytes;
}

// An operator who reads every error message and answers it with a key a
// little later, as long as the test runs.
class MessageAnswerer {
 public:
  static constexpr std::int64_t kLookEveryMs = 20;
  static constexpr std::int64_t kAnswerAfterMs = 150;

  MessageAnswerer(ProgramHarness& h, std::int64_t until_ms) : h_(h), until_ms_(until_ms) {
    LookAt(0);
  }
  const std::vector<std::string>& Messages() const { return messages_; }

 private:
  void LookAt(std::int64_t at_ms) {
    h_.ProbeAt(at_ms, [this] {
      const std::int64_t now_us = h_.Clock().NowUs();
      // The far end can colour its output, but never with a background
      // brighter than 7: light red on row 24 is the message line.
      if (now_us >= answer_due_us_ &&
          h_.CellAt(ScreenHelpers::kErrorRow, 2).bg == ScreenHelpers::kErrorBg) {
        messages_.push_back(MessageText());
        answer_due_us_ = now_us + kAnswerAfterMs * kUsPerMs;
        h_.Console().ScheduleKey(answer_due_us_, "\r");
      }
      if (now_us < until_ms_ * kUsPerMs) LookAt(now_us / kUsPerMs + kLookEveryMs);
    });
  }

  // The strip's text runs from column 3 to 79; columns 1 and 80 keep what the
  // session printed there.
  std::string MessageText() const {
    std::string text;
    for (int col = 3; col <= 79; ++col) {
      text += static_cast<char>(h_.CellAt(ScreenHelpers::kErrorRow, col).ch);
    }
    return text.erase(text.find_last_not_of(' ') + 1);
  }

  ProgramHarness& h_;
  std::int64_t until_ms_;
  std::int64_t answer_due_us_ = 0;
  std::vector<std::string> messages_;
};

// Closes the session and quits, and checks that both still work.
void EndSessionAndQuit(ProgramHarness& h, std::int64_t at_ms) {
  h.KeyAt(at_ms, KeyShiftF2);
  h.KeyAt(at_ms + 500, "q");
}

void ExpectTheMenuAgain(const ProgramHarness& h, const ProgramHarness::Outcome& outcome) {
  EXPECT_EQ(outcome.exit_status, 0) << "the program went on to the quit key";
  EXPECT_EQ(h.Row(1), "R7N UART:");
}

class RandomBytesTest : public ::testing::TestWithParam<std::uint32_t> {};

TEST_P(RandomBytesTest, LongSessionShowsAndCapturesEveryByteAndKeepsTakingKeys) {
  // 60,000 bytes keep the line busy for 5.2 s at 115200 bit/s.
  const std::string stream = RandomBytes(GetParam(), 60'000);
  ProgramHarness h(SilentModuleA());
  h.KeyAt(kOpenAtMs, "a");
  SendAt(h, 300, stream);
  h.KeysFrom(700, 600, {"k", "e", "y", "s"});
  h.KeyAt(7000, "z");  // long after the stream
  EndSessionAndQuit(h, 8000);
  const auto outcome = h.Run();
  EXPECT_EQ(h.Chassis().Base(1).Uart().RxBytesLost(), 0);
  EXPECT_TRUE(ReadFile(h.Dir() / "Term.txt") == CaptureOf(stream))
      << "Term.txt differs from the printable part of the stream";
  EXPECT_EQ(Heard(h), "keysz");
  EXPECT_FALSE(h.Console().BeepTimes().empty()) << "the stream's BELs are heard";
  ExpectTheMenuAgain(h, outcome);
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomBytesTest, ::testing::Values(1u, 77u, 20240611u));

// One endless ESC [ parameter, the byte that ends it, and some text after.
struct LongParamCase {
  std::string name;
  std::string final_bytes;  // what follows the 100,000 digits
  std::string row;          // the output row afterwards
  Cell after;               // the cell of the "a" of "after"
  friend void PrintTo(const LongParamCase& c, std::ostream* os) { *os << c.name; }
};

class LongEscapeParameterTest : public ::testing::TestWithParam<LongParamCase> {};

TEST_P(LongEscapeParameterTest, EndsTheSequenceLikeAnyOtherParameter) {
  const LongParamCase& c = GetParam();
  ProgramHarness h(SilentModuleA());
  h.KeyAt(kOpenAtMs, "a");
  SendAt(h, 300, "before\x1b[" + std::string(100'000, '7') + c.final_bytes + "after");
  std::string row;
  Cell after;
  h.ProbeAt(10'000, [&] {
    row = h.Row(kFirstOutputRow);
    after = h.CellAt(kFirstOutputRow, static_cast<int>(row.find("after")) + 1);
  });
  h.KeyAt(10'100, "k");
  EndSessionAndQuit(h, 11'000);
  const auto outcome = h.Run();
  EXPECT_EQ(row, c.row);
  EXPECT_EQ(after, c.after);
  EXPECT_EQ(ReadFile(h.Dir() / "Term.txt"), "beforeafter");
  EXPECT_EQ(h.Chassis().Base(1).Uart().RxBytesLost(), 0);
  EXPECT_EQ(Heard(h), "k");
  ExpectTheMenuAgain(h, outcome);
}

INSTANTIATE_TEST_SUITE_P(
    Endings, LongEscapeParameterTest,
    ::testing::Values(
        LongParamCase{"ColourOutOfRangeChangesNothing", "m", "beforeafter", Cell{'a', 7, 0}},
        LongParamCase{"NextParameterStillCounts", ";32m", "beforeafter", Cell{'a', 2, 0}},
        LongParamCase{"EraseIgnoresIt", "J", "beforeafter", Cell{'a', 7, 0}},
        LongParamCase{"UnknownFinalIsShown", "K", "before<ESC><[><?>Kafter", Cell{'a', 7, 0}}),
    [](const auto& param_info) { return param_info.param.name; });

// When the far end sends BELs, and when the beeps are expected.
struct BellCase {
  std::string name;
  std::vector<std::int64_t> bel_at_ms;  // one injection of `bels` per time
  std::string bels;
  std::size_t min_beeps;
  std::size_t max_beeps;
  friend void PrintTo(const BellCase& c, std::ostream* os) { *os << c.name; }
};

std::vector<std::int64_t> Every(std::int64_t from_ms, std::int64_t step_ms, std::int64_t to_ms) {
  std::vector<std::int64_t> times;
  for (std::int64_t t = from_ms; t < to_ms; t += step_ms) times.push_back(t);
  return times;
}

class BellFloodTest : public ::testing::TestWithParam<BellCase> {};

TEST_P(BellFloodTest, BeepsWithoutHoldingUpTheKeyboardOrTheLine) {
  const BellCase& c = GetParam();
  ProgramHarness h(SilentModuleA());
  h.KeyAt(kOpenAtMs, "a");
  for (const std::int64_t at : c.bel_at_ms) SendAt(h, at, c.bels + "|");
  // Keys typed while the BELs come in reach the module within a few passes,
  // or right after a beep that was sounding when they came.
  std::vector<std::string> heard_at;
  for (const std::int64_t at : {500, 1200, 2600}) {
    h.KeyAt(at, std::string(1, static_cast<char>('a' + heard_at.size())));
    heard_at.emplace_back();
    h.ProbeAt(at + Console::kBeepMs + 100,
              [&h, &heard_at, i = heard_at.size() - 1] { heard_at[i] = Heard(h); });
  }
  EndSessionAndQuit(h, 5000);
  const auto outcome = h.Run();
  EXPECT_EQ(heard_at, (std::vector<std::string>{"a", "ab", "abc"}));
  const std::vector<std::int64_t>& beeps = h.Console().BeepTimes();
  EXPECT_GE(beeps.size(), c.min_beeps);
  EXPECT_LE(beeps.size(), c.max_beeps);
  for (std::size_t i = 1; i < beeps.size(); ++i) {
    EXPECT_GE(beeps[i] - beeps[i - 1], 2 * kBeepUs) << "a beep and as long a rest before the next";
  }
  EXPECT_EQ(h.Chassis().Base(1).Uart().RxBytesLost(), 0);
  EXPECT_EQ(ReadFile(h.Dir() / "Term.txt"), std::string(c.bel_at_ms.size(), '|'));
  ExpectTheMenuAgain(h, outcome);
}

INSTANTIATE_TEST_SUITE_P(
    Bells, BellFloodTest,
    ::testing::Values(BellCase{"LoneBel", {300}, "\a", 1, 1},
                      BellCase{"TwoBelsASecondApart", {300, 1300}, "\a", 2, 2},
                      BellCase{"TenThousandBelsAtOnce", {300}, std::string(10'000, '\a'), 1, 1},
                      BellCase{"BelEveryTwentyMilliseconds", Every(300, 20, 3300), "\a", 2, 7},
                      BellCase{"BelAfterAnUnknownSequence",
                               {300},
                               [] {
                                 std::string bytes;
                                 for (int i = 0; i < 3000; ++i) bytes += "\x1b[\a";
                                 return bytes;
                               }(),
                               1,
                               1}),
    [](const auto& param_info) { return param_info.param.name; });

TEST(BellFlood, LoneBelBeepsAsSoonAsItIsShown) {
  ProgramHarness h(SilentModuleA());
  h.KeyAt(kOpenAtMs, "a");
  std::int64_t sent_us = 0;
  h.ProbeAt(300, [&] {
    sent_us = h.Clock().NowUs();
    h.Chassis().MutableBase(1).Inject(sim::Device::kModuleA, "\a");
  });
  EndSessionAndQuit(h, 1000);
  h.Run();
  ASSERT_EQ(h.Console().BeepTimes().size(), 1u);
  const std::int64_t delay_us = h.Console().BeepTimes()[0] - sent_us;
  // The BEL takes one frame time to arrive. A quiet slice notices it, the
  // pass shows it, and the beep comes once a whole slice has brought nothing
  // more; the bus accesses add microseconds.
  EXPECT_GE(delay_us, 87);
  EXPECT_LE(delay_us, (2 * ReceiveTiming::kQuietSliceMs + 1) * kUsPerMs);
}

// A line whose far end runs at another rate: every receive pass brings a
// framing error, and every one is reported.
TEST(FramingErrorFlood, EveryMessageIsAnsweredAndTheSessionGoesOn) {
  HarnessOptions options = SilentModuleA();
  options.chassis.line_baud = 9600;
  ProgramHarness h(options);
  MessageAnswerer operator_at_keyboard(h, 6000);
  h.KeyAt(kOpenAtMs, "a");
  SendAt(h, 300, std::string(3000, 'U'));  // about 3.1 s at 9600 bit/s
  h.KeyAt(5000, "k");
  std::string row24_after;
  h.ProbeAt(5500, [&] { row24_after = h.Row(ScreenHelpers::kErrorRow); });
  EndSessionAndQuit(h, 6000);
  const auto outcome = h.Run();
  const std::vector<std::string>& messages = operator_at_keyboard.Messages();
  EXPECT_GE(messages.size(), 10u) << "one report per pass of the flood";
  EXPECT_EQ(std::count(messages.begin(), messages.end(), "UartRcvNbyt Framing Error"),
            static_cast<std::ptrdiff_t>(messages.size()));
  EXPECT_EQ(row24_after, "") << "the last message was wiped";
  EXPECT_EQ(Heard(h).size(), 1u) << "only the key typed after the flood went out";
  ExpectTheMenuAgain(h, outcome);
}

// A receive FIFO that overflows, and what the operator is told about it.
struct OverflowCase {
  std::string name;
  int rx_fifo_depth;
  std::string config;
  std::vector<std::string> messages;
  friend void PrintTo(const OverflowCase& c, std::ostream* os) { *os << c.name; }
};

class ReceiveOverflowTest : public ::testing::TestWithParam<OverflowCase> {};

TEST_P(ReceiveOverflowTest, LosesOnlyWhatDidNotFitAndTheSessionGoesOn) {
  const OverflowCase& c = GetParam();
  HarnessOptions options = SilentModuleA();
  options.chassis.rx_fifo_depth = c.rx_fifo_depth;
  ProgramHarness h(options);
  std::ofstream(h.Dir() / "R7n_Uart.cfg", std::ios::binary) << c.config;
  MessageAnswerer operator_at_keyboard(h, 4000);
  h.KeyAt(kOpenAtMs, "a");
  h.KeyAt(250, KeyF1);
  std::string flood;
  for (int i = 0; flood.size() < 5000; ++i) flood += "flood " + std::to_string(i) + "\r\n";
  SendAt(h, 300, flood);
  const std::string marker = "after-flood";  // fits the smallest FIFO of the table
  SendAt(h, 3000, "\r\n" + marker);
  std::string last_row;
  h.ProbeAt(3500, [&] { last_row = h.Row(25); });
  h.KeyAt(3600, "k");
  EndSessionAndQuit(h, 4000);
  const auto outcome = h.Run();
  EXPECT_GT(h.Chassis().Base(1).Uart().RxBytesLost(), 0) << "the case must overflow the FIFO";
  // The receiver reports an overrun only through its error bit, which the
  // link answers by reinitialising the receiver, without a message.
  EXPECT_EQ(operator_at_keyboard.Messages(), c.messages);
  EXPECT_EQ(last_row, marker) << "what comes after the overflow is shown whole";
  const std::string capture = ReadFile(h.Dir() / "Term.txt");
  EXPECT_TRUE(capture.ends_with("\r\n" + marker))
      << capture.substr(capture.size() - std::min<std::size_t>(capture.size(), 40));
  EXPECT_EQ(Heard(h), "k");
  ExpectTheMenuAgain(h, outcome);
}

INSTANTIATE_TEST_SUITE_P(
    Overflows, ReceiveOverflowTest,
    ::testing::Values(OverflowCase{"MessageHoldsASmallFifo", 16, "#F1 x\n", {"Cmd:x   Pos1 ??"}},
                      OverflowCase{"MessageHoldsTheTerminal", 128, "#F1 x\n", {"Cmd:x   Pos1 ??"}}),
    [](const auto& param_info) { return param_info.param.name; });

// A macro that waits while the module keeps printing: the wait goes on
// showing what arrives, so nothing overflows.
TEST(MacroWaitDuringOutput, ShowsEverythingThatArrivesWhileItWaits) {
  ProgramHarness h(SilentModuleA());
  std::ofstream(h.Dir() / "R7n_Uart.cfg", std::ios::binary) << "#F1 W3000 \"x\"\n";
  h.KeyAt(kOpenAtMs, "a");
  h.KeyAt(300, KeyF1);
  std::string stream;
  for (int i = 0; stream.size() < 30'000; ++i) {
    stream += "line " + std::to_string(i) + " while the macro waits\r\n";
  }
  SendAt(h, 350, stream);  // 2.6 s of output, all of it inside the wait
  std::string heard_during, heard_after, captured_during;
  h.ProbeAt(3100, [&] { captured_during = ReadFile(h.Dir() / "Term.txt"); });
  h.ProbeAt(3200, [&] { heard_during = Heard(h); });
  h.ProbeAt(3500, [&] { heard_after = Heard(h); });
  EndSessionAndQuit(h, 4000);
  const auto outcome = h.Run();
  EXPECT_EQ(heard_during, "") << "the wait lasts its full time";
  EXPECT_EQ(heard_after, "x");
  EXPECT_EQ(h.Chassis().Base(1).Uart().RxBytesLost(), 0);
  EXPECT_TRUE(ReadFile(h.Dir() / "Term.txt") == stream) << "the capture differs from the stream";
  EXPECT_TRUE(captured_during == stream)
      << "what the wait showed is in the file before the wait ends, so Ctrl-C loses none of it";
  ExpectTheMenuAgain(h, outcome);
}

TEST(MacroWaitDuringOutput, KeyStillEndsTheWaitAndIsSentAfterTheMacro) {
  ProgramHarness h(SilentModuleA());
  std::ofstream(h.Dir() / "R7n_Uart.cfg", std::ios::binary) << "#F1 W5000 \"x\"\n";
  h.KeyAt(kOpenAtMs, "a");
  h.KeyAt(300, KeyF1);
  SendAt(h, 350, std::string(20'000, '.'));
  h.KeyAt(1000, "k");
  std::string heard;
  h.ProbeAt(1200, [&] { heard = Heard(h); });
  EndSessionAndQuit(h, 3000);
  const auto outcome = h.Run();
  EXPECT_EQ(heard, "xk");
  EXPECT_EQ(h.Chassis().Base(1).Uart().RxBytesLost(), 0);
  ExpectTheMenuAgain(h, outcome);
}

}  // namespace
}  // namespace r7n
