#include "terminal/macro_player.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "console/console_uart_host.h"
#include "platform/virtual_clock.h"
#include "testing/fake_shell.h"
#include "testing/headless_console.h"
#include "uart/channel_access.h"

namespace r7n {
namespace {

constexpr std::int64_t kMs = 1000;

// One byte as it went onto the line, and when.
struct Sent {
  std::int64_t at_ms;
  std::uint8_t byte;
  friend bool operator==(const Sent&, const Sent&) = default;
  friend void PrintTo(const Sent& s, std::ostream* os) {
    *os << "0x" << std::hex << int{s.byte} << std::dec << "@" << s.at_ms << "ms";
  }
};

// The transmit side of base unit 1's UART: always ready, it keeps every byte
// written to the transmit register with its time, and counts every access.
// Its receiver is empty, or, while talking, has one byte waiting at every look.
class TransmitLine : public PortIo {
 public:
  explicit TransmitLine(Clock& clock) : clock_(clock) {}

  void Out(std::uint16_t port, std::uint8_t value) override {
    ++accesses;
    if (port == kBase1Port + 1) {
      index_ = value;
    } else if (port == kBase1Port && index_ == kUartRegBase + kUartTxDat) {
      sent.push_back({clock_.NowUs() / kMs, value});
    }
  }
  std::uint8_t In(std::uint16_t port) override {
    ++accesses;
    if (port == kBase1Port && index_ == kUartRegBase + kUartTxSta) return kUartTxStaEmpty;
    if (port == kBase1Port && index_ == kUartRegBase + kUartRcvSta) {
      receiver_looks_us.push_back(clock_.NowUs());
      return talking ? 1 : 0;
    }
    return 0xFF;
  }

  std::vector<Sent> sent;
  int accesses = 0;
  bool talking = false;
  std::vector<std::int64_t> receiver_looks_us;

 private:
  Clock& clock_;
  std::uint8_t index_ = 0;
};

std::vector<Sent> Bytes(std::int64_t from_ms, std::string_view text) {
  std::vector<Sent> out;
  for (char c : text) {
    out.push_back({from_ms, static_cast<std::uint8_t>(c)});
    from_ms += ReceiveTiming::kSlowSendPauseMs;
  }
  return out;
}

std::vector<Sent> operator+(std::vector<Sent> a, const std::vector<Sent>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

class MacroPlayerTest : public ::testing::Test {
 protected:
  static constexpr int kMacro = 7;
  // Far beyond every case: a message nobody answers fails the test instead of
  // hanging it.
  static constexpr std::int64_t kTimeLimitUs = 60'000 * kMs;

  MacroPlayerTest() { clock_.SetLimitUs(kTimeLimitUs); }

  void Define(int macro, std::vector<std::string> lines) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
      tables_.StoreMacroLine(macro, static_cast<int>(i) + 1, lines[i]);
    }
  }

  // Every error message waits for a key: the n-th one is read off row 24 at
  // n s + 500 ms and answered at n s + 600 ms.
  void AnswerMessages(std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
      const auto at_ms = static_cast<std::int64_t>(1000 * i + 500);
      device_.ScheduleProbe(at_ms * kMs, [this] { messages_.push_back(Row24()); });
      device_.ScheduleKey((at_ms + 100) * kMs, "k");
    }
  }

  std::string Row24() {
    con_.Present();
    std::string row;
    for (int col = 3; col <= 79; ++col) row += static_cast<char>(device_.Shown().At(24, col).ch);
    row.erase(row.find_last_not_of(' ') + 1);
    return row;
  }

  VirtualClock clock_;
  TransmitLine line_{clock_};
  testing::HeadlessConsole device_{clock_};
  Console con_{device_, clock_};
  ScreenHelpers helpers_{con_};
  ConsoleUartHost host_{con_, helpers_};
  UartLink link_{line_, host_};
  ReceivePump pump_{link_, clock_, host_};
  UartTransfer transfer_{link_, pump_, host_};
  ConfigTables tables_;
  testing::FakeShell shell_;
  MacroPlayer player_{tables_, transfer_, con_, helpers_, shell_};
  std::vector<std::string> messages_;
};

struct CommandCase {
  const char* name;
  const char* text;
  std::vector<Sent> sent;
  std::vector<std::string> errors;
  friend void PrintTo(const CommandCase& c, std::ostream* os) { *os << c.name; }
};

class MacroCommandTest : public MacroPlayerTest,
                         public ::testing::WithParamInterface<CommandCase> {};

TEST_P(MacroCommandTest, SendsTheBytesAtTheirTimesAndReportsEachBadCharacter) {
  const CommandCase& c = GetParam();
  Define(kMacro, {c.text});
  AnswerMessages(c.errors.size());
  player_.MacroPlay(kMacro);
  EXPECT_EQ(line_.sent, c.sent);
  EXPECT_EQ(messages_, c.errors);
  EXPECT_TRUE(shell_.Commands().empty()) << "a one-line macro is played, not handed over";
  EXPECT_EQ(device_.KeysLeft(), 0u) << "every message was answered";
}

INSTANTIATE_TEST_SUITE_P(
    Commands, MacroCommandTest,
    ::testing::Values(
        CommandCase{"quote_then_cr_without_space", "\"root\"CR", Bytes(0, "root\r"), {}},
        CommandCase{"code_wait_text_cr_lf",
                    "$3 W500 \"exit\" CR LF",
                    Bytes(0, "\x03") + Bytes(510, "exit\r\n"),
                    {}},
        CommandCase{"lower_case_r_and_f_are_errors",
                    "crlf",
                    {},
                    {"Cmd:crlf   Pos2 ??", "Cmd:crlf   Pos4 ??"}},
        CommandCase{"hexadecimal_escape", "$&H1B \"[A\"", Bytes(0, "\x1b[A"), {}},
        CommandCase{"comment_is_not_read", "\"root\" CR ' log in", Bytes(0, "root\r"), {}},
        CommandCase{"l_then_s", "ls", {}, {"Cmd:ls   Pos2 ??"}},
        CommandCase{"lower_case_c_and_l_start_commands", "cR lF", Bytes(0, "\r\n"), {}},
        CommandCase{"unterminated_quote_sends_the_appended_space", "\"ab", Bytes(0, "ab "), {}},
        CommandCase{"code_at_the_end_is_completed", "$65", Bytes(0, "A"), {}},
        CommandCase{"code_zero_sends_nul", "$0", Bytes(0, std::string_view("\0", 1)), {}},
        CommandCase{"code_keeps_its_low_eight_bits", "$321 $-1", Bytes(0, "\x41\xff"), {}},
        CommandCase{"number_runs_to_the_next_space", "$66\"x\"", Bytes(0, "B"), {}},
        CommandCase{"wait_at_the_end_is_completed", "\"a\" W100", Bytes(0, "a"), {}},
        CommandCase{"apostrophe_in_quotes_is_sent", "\"it's\"", Bytes(0, "it's"), {}},
        CommandCase{"wait_then_code", "W100 $7", Bytes(100, "\x07"), {}},
        // The error waits for its answer at 600 ms; reading goes on with the
        // next character.
        CommandCase{"unknown_character_is_skipped",
                    "\"a\"x\"b\"",
                    Bytes(0, "a") + Bytes(600, "b"),
                    {"Cmd:\"a\"x\"b\"   Pos4 ??"}},
        CommandCase{"character_after_l_is_consumed",
                    "LX\"a\"",
                    Bytes(600, "a"),
                    {"Cmd:LX\"a\"   Pos2 ??"}}),
    [](const ::testing::TestParamInfo<CommandCase>& param) {
      return std::string(param.param.name);
    });

TEST_F(MacroPlayerTest, KeyEndsALongWaitEarlyAndStaysForTheTerminal) {
  Define(kMacro, {"W2000 \"x\""});
  device_.ScheduleKey(300 * kMs, "q");
  player_.MacroPlay(kMacro);
  EXPECT_EQ(line_.sent, Bytes(300, "x"));
  EXPECT_EQ(con_.ConKey(), "q");
}

TEST_F(MacroPlayerTest, WaitWithoutKeyLastsItsFullTime) {
  Define(kMacro, {"W2000 \"x\""});
  player_.MacroPlay(kMacro);
  EXPECT_EQ(line_.sent, Bytes(2000, "x"));
}

TEST_F(MacroPlayerTest, MacroWithoutLinesTouchesNothing) {
  Define(kMacro + 1, {"\"other\""});
  player_.MacroPlay(kMacro);
  EXPECT_EQ(line_.accesses, 0);
  EXPECT_TRUE(shell_.Commands().empty());
  EXPECT_EQ(clock_.NowUs(), 0);
}

TEST_F(MacroPlayerTest, MacroOfSeveralLinesRunsTheExternalProgramAndSendsNothing) {
  struct Case {
    int lines;
    int status;
  };
  for (const Case c : {Case{2, 0}, Case{3, 127}, Case{99, -1}}) {
    SCOPED_TRACE(c.lines);
    ConfigTables tables;
    testing::FakeShell shell;
    shell.SetStatus(c.status);
    for (int l = 1; l <= c.lines; ++l) tables.StoreMacroLine(kMacro, l, "\"sent if read\"");
    MacroPlayer player{tables, transfer_, con_, helpers_, shell};
    player.MacroPlay(kMacro);
    EXPECT_EQ(shell.Commands(), (std::vector<std::string>{"GP.EXE"}));
    EXPECT_EQ(line_.accesses, 0);
    EXPECT_EQ(Row24(), "") << "the program's status is not reported";
  }
}

TEST_F(MacroPlayerTest, NumbersOutsideTheTableDoNothing) {
  Define(1, {"\"one\""});
  Define(ConfigTables::kMacroCount, {"\"last\""});
  Define(ConfigTables::kMacroCount - 1, {"l1", "l2"});
  for (int m : {0, ConfigTables::kMacroCount + 1, -1}) {
    SCOPED_TRACE(m);
    player_.MacroPlay(m);
    EXPECT_EQ(line_.accesses, 0);
    EXPECT_TRUE(shell_.Commands().empty());
  }
}

// A wait goes on reading the receiver: the same steps as a plain ConSleep,
// with the receiver looked at all along.
struct WaitCase {
  const char* name;
  const char* text;
  std::vector<std::int64_t> keys_ms;
  std::int64_t sent_at_ms;  // when the closing "x" goes out
  friend void PrintTo(const WaitCase& c, std::ostream* os) { *os << c.name; }
};

class MacroWaitTest : public MacroPlayerTest, public ::testing::WithParamInterface<WaitCase> {};

TEST_P(MacroWaitTest, KeepsConSleepsStepsAndReadsTheReceiverThroughout) {
  const WaitCase& c = GetParam();
  Define(kMacro, {c.text});
  for (const std::int64_t at : c.keys_ms) device_.ScheduleKey(at * kMs, "k");
  player_.MacroPlay(kMacro);
  EXPECT_EQ(line_.sent, Bytes(c.sent_at_ms, "x"));
  // Twelve byte times at 115200 bit/s, the longest a quiet receiver waits.
  constexpr std::int64_t kQuietSliceUs = 12 * 10 * 1'000'000 / 115'200;
  std::int64_t last_us = 0;
  for (const std::int64_t at : line_.receiver_looks_us) {
    EXPECT_LE(at - last_us, kQuietSliceUs) << "the receiver is read all along the pause";
    last_us = at;
  }
  if (c.sent_at_ms > 0) {
    EXPECT_GE(last_us, c.sent_at_ms * kMs - kQuietSliceUs);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Pauses, MacroWaitTest,
    ::testing::Values(
        WaitCase{"long_wait", "W2000 \"x\"", {}, 2000},
        WaitCase{"key_ends_it_at_the_next_step", "W2000 \"x\"", {320}, 350},
        WaitCase{"under_100_ms_is_not_cut", "W99 \"x\"", {10}, 99},
        WaitCase{"100_ms_checks_only_at_its_start", "W100 \"x\"", {20}, 100},
        WaitCase{"150_ms_checks_at_50", "W150 \"x\"", {20}, 50},
        WaitCase{"until_a_key", "W-1 \"x\"", {120}, 150},
        WaitCase{"zero_and_negative_do_not_wait", "W0 W-5 \"x\"", {}, 0},
        WaitCase{"one_key_cuts_one_wait", "W300 W300 \"x\"", {120}, 450},
        WaitCase{"a_key_cut_short_still_waits_for_w_minus_1", "W300 W-1 \"x\"", {120}, 150}),
    [](const ::testing::TestParamInfo<WaitCase>& param) { return std::string(param.param.name); });

TEST_F(MacroPlayerTest, AWaitEndsOnTimeWhenShowingArrivalsTakesTime) {
  // Each showing of what arrived costs 20 ms here, as a message answered by
  // a key would: the wait still ends 1000 ms after it began, give or take one.
  line_.talking = true;
  pump_.SetArrivalHook([&] {
    transfer_.UartRcvNbyt(link_.ChanAdr(), 1000, 0, 1);
    clock_.SleepMs(20);
  });
  Define(kMacro, {"W1000 \"x\""});
  player_.MacroPlay(kMacro);
  ASSERT_EQ(line_.sent.size(), 1u);
  EXPECT_GE(line_.sent[0].at_ms, 1000);
  EXPECT_LE(line_.sent[0].at_ms, 1020);
}

TEST_F(MacroPlayerTest, KeyThatEndsAWaitStaysOnTheQueue) {
  Define(kMacro, {"W2000 \"x\""});
  device_.ScheduleKey(300 * kMs, "q");
  device_.ScheduleKey(310 * kMs, "r");
  player_.MacroPlay(kMacro);
  EXPECT_EQ(line_.sent, Bytes(300, "x"));
  EXPECT_EQ(con_.ConKey(), "q");
  EXPECT_EQ(con_.ConKey(), "r");
}

}  // namespace
}  // namespace r7n
