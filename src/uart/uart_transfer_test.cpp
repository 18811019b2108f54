#include "uart/uart_transfer.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "platform/port_recorder.h"
#include "platform/virtual_clock.h"
#include "testing/operator_console.h"

namespace r7n {
namespace {

constexpr std::int64_t kMs = 1000;

// The UART of base unit 1 as the transfers see it, with the far end scripted:
// bytes arrive at given times, the transmitter is busy for a given number of
// status reads after each byte, and error flags can be raised.
class ScriptedUart : public PortIo {
 public:
  explicit ScriptedUart(Clock& clock) : clock_(clock) {}

  void ArriveAt(std::int64_t at_ms, std::string bytes) {
    for (char c : bytes) arrivals_.push_back({at_ms * kMs, static_cast<std::uint8_t>(c)});
  }
  void RaiseError(std::uint8_t cfg_flags) {
    error_ = true;
    cfg_flags_ = cfg_flags;
  }
  void SetBusyReadsPerByte(int reads) { busy_reads_per_byte_ = reads; }
  void SetStuck(bool stuck) { stuck_ = stuck; }

  void Out(std::uint16_t port, std::uint8_t value) override {
    if (port == 0x311) {
      index_ = value;
    } else if (port == 0x310 && index_ == 0x32) {
      sent += static_cast<char>(value);
      busy_left_ += busy_reads_per_byte_;
    } else if (port == 0x310 && index_ == 0x36 && value == 0xC1) {
      ++receiver_inits;
      fifo_.clear();
      error_ = false;
      cfg_flags_ = 0;
    }
  }

  std::uint8_t In(std::uint16_t port) override {
    if (port != 0x310) return 0xFF;
    Deliver();
    switch (index_) {
      case 0x32:
        ++tx_status_reads;
        if (stuck_) return 0x02;
        if (busy_left_ > 0) {
          --busy_left_;
          return 0x02;
        }
        return 0x01;
      case 0x34: {
        if (fifo_.empty()) return 0;
        const std::uint8_t byte = fifo_.front();
        fifo_.pop_front();
        return byte;
      }
      case 0x35: {
        const auto count = static_cast<std::uint8_t>(std::min<std::size_t>(fifo_.size(), 127));
        return static_cast<std::uint8_t>(count | (error_ ? 0x80 : 0));
      }
      case 0x36:
        return cfg_flags_;
      default:
        return 0xFF;
    }
  }

  std::string sent;
  int tx_status_reads = 0;
  int receiver_inits = 0;

 private:
  void Deliver() {
    while (!arrivals_.empty() && arrivals_.front().first <= clock_.NowUs()) {
      fifo_.push_back(arrivals_.front().second);
      arrivals_.pop_front();
    }
  }

  Clock& clock_;
  std::deque<std::pair<std::int64_t, std::uint8_t>> arrivals_;
  std::deque<std::uint8_t> fifo_;
  std::uint8_t index_ = 0;
  bool error_ = false;
  std::uint8_t cfg_flags_ = 0;
  int busy_reads_per_byte_ = 0;
  int busy_left_ = 0;
  bool stuck_ = false;
};

class UartTransferTest : public ::testing::Test {
 protected:
  // Shows what row 24 says at at_ms (a message waits there), then answers it
  // with a key at answer_ms.
  void ExpectMessageAt(std::int64_t at_ms, std::int64_t answer_ms) {
    device_.ScheduleProbe(at_ms * kMs, [this] {
      con_.Present();
      std::string row;
      for (int col = 3; col <= 79; ++col) row += static_cast<char>(device_.Shown().At(24, col).ch);
      row.erase(row.find_last_not_of(' ') + 1);
      messages_.push_back(row);
    });
    device_.ScheduleKey(answer_ms * kMs, "k");
  }

  std::vector<int> ReadyWaitsInTrace() const {
    // Each ready wait starts with the index write of UartTxSta; the data
    // written after it counts towards that wait's block.
    std::vector<int> blocks;
    std::uint8_t index = 0;
    for (const auto& a : recorder_.Trace()) {
      if (a.write && a.port == 0x311) {
        index = a.value;
        if (index == 0x32) blocks.push_back(0);
      } else if (a.write && a.port == 0x310 && index == 0x32) {
        ++blocks.back();
      }
    }
    return blocks;
  }

  VirtualClock clock_;
  ScriptedUart uart_{clock_};
  PortRecorder recorder_{uart_, clock_};
  testing::OperatorConsole operator_{clock_};
  testing::HeadlessConsole& device_ = operator_.device;
  Console& con_ = operator_.con;
  ConsoleUartHost& host_ = operator_.host;
  UartLink link_{recorder_, host_};
  ReceivePump pump_{link_, clock_, host_};
  UartTransfer transfer_{link_, pump_, host_};
  std::vector<std::string> messages_;
  const UartChanAdr adr_{0x310, 0x30};
};

TEST_F(UartTransferTest, AllBytesWaitingReturnAfterOneStatusReadWithoutSleeping) {
  uart_.ArriveAt(0, std::string("ab\0c", 4));
  const UartReceived got = transfer_.UartRcvNbyt(adr_, 4, 200, 0);
  EXPECT_EQ(got.text, std::string("ab\0c", 4)) << "a NUL stays in the text";
  EXPECT_EQ(got.failed, 0);
  EXPECT_EQ(clock_.NowUs(), 0);
}

TEST_F(UartTransferTest, BytesBeyondNStayForTheNextCall) {
  uart_.ArriveAt(0, "0123456789");
  EXPECT_EQ(transfer_.UartRcvNbyt(adr_, 4, 200, 1).text, "0123");
  EXPECT_EQ(transfer_.UartRcvCnt(adr_), 6);
  EXPECT_EQ(transfer_.UartRcvNbyt(adr_, 6, 200, 1).text, "456789");
}

TEST_F(UartTransferTest, TimeOutZeroTakesWhatWaitsAndFails) {
  uart_.ArriveAt(0, "xy");
  ExpectMessageAt(5, 10);
  const UartReceived got = transfer_.UartRcvNbyt(adr_, 10, 0, 0);
  EXPECT_EQ(got.text, "xy");
  EXPECT_EQ(got.failed, 1);
  EXPECT_EQ(messages_, (std::vector<std::string>{"UartRcvNbyt TimeOut"}));
}

TEST_F(UartTransferTest, SilenceEndsAfterTwoHundredMillisecondsOfTicks) {
  const UartReceived got = transfer_.UartRcvNbyt(adr_, 1000, 200, 1);
  EXPECT_EQ(got.text, "");
  EXPECT_EQ(got.failed, 1);
  EXPECT_EQ(clock_.NowUs(), 200 * kMs);
  int status_reads = 0;
  for (const auto& a : recorder_.Trace()) status_reads += !a.write ? 1 : 0;
  // 21 polls of its own, and the looks of the 20 ticks that keep it drained.
  EXPECT_GT(status_reads, 21);
  EXPECT_TRUE(messages_.empty()) << "quiet: no message";
}

TEST_F(UartTransferTest, BurstsCloserThanTheTimeOutAreCollectedWhole) {
  std::string expected;
  for (int burst = 0; burst < 10; ++burst) {
    const std::string bytes = "burst" + std::to_string(burst) + ";";
    uart_.ArriveAt(150 * burst, bytes);
    expected += bytes;
  }
  const UartReceived got = transfer_.UartRcvNbyt(adr_, 1000, 200, 1);
  EXPECT_EQ(got.text, expected);
  EXPECT_EQ(clock_.NowUs(), (9 * 150 + 200) * kMs) << "ends 200 ms after the last burst";
}

TEST_F(UartTransferTest, ReceiveUpToNStopsAsSoonAsTheyAreIn) {
  uart_.ArriveAt(30, "abc");
  uart_.ArriveAt(60, "defgh");
  EXPECT_EQ(transfer_.UartRcvNbyt(adr_, 6, 1000, 0).text, "abcdef");
  EXPECT_EQ(clock_.NowUs(), 60 * kMs);
}

struct ErrorCase {
  const char* name;
  std::uint8_t cfg_flags;
  std::int32_t quiet;
  bool time_out;  // fewer bytes arrive than wanted
  std::vector<std::string> messages;
  friend void PrintTo(const ErrorCase& c, std::ostream* os) { *os << c.name; }
};

class ReceiveErrorTest : public UartTransferTest,
                         public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(ReceiveErrorTest, ReportsReinitialisesAndFails) {
  const ErrorCase& c = GetParam();
  uart_.ArriveAt(0, "abcd");
  uart_.RaiseError(c.cfg_flags);
  for (std::size_t i = 0; i < c.messages.size(); ++i) {
    ExpectMessageAt(static_cast<std::int64_t>(1000 * i + 500),
                    static_cast<std::int64_t>(1000 * i + 600));
  }
  const UartReceived got = transfer_.UartRcvNbyt(adr_, c.time_out ? 8 : 4, 100, c.quiet);
  EXPECT_EQ(got.text, "abcd");
  EXPECT_EQ(got.failed, 1);
  EXPECT_EQ(uart_.receiver_inits, 1);
  EXPECT_EQ(messages_, c.messages);
}

INSTANTIATE_TEST_SUITE_P(
    Errors, ReceiveErrorTest,
    ::testing::Values(ErrorCase{"framing", 0x01, 0, false, {"UartRcvNbyt Framing Error"}},
                      ErrorCase{"framing, quiet", 0x01, 1, false, {}},
                      ErrorCase{"error bit without framing flag", 0x02, 0, false, {}},
                      ErrorCase{"time-out first, then framing",
                                0x01,
                                0,
                                true,
                                {"UartRcvNbyt TimeOut", "UartRcvNbyt Framing Error"}}));

TEST_F(UartTransferTest, BytesOutOfTheFifoBeforeAnErrorStayForTheNextReceive) {
  uart_.ArriveAt(0, "abcdefgh");
  uart_.RaiseError(0x02);
  EXPECT_EQ(transfer_.UartRcvNbyt(adr_, 4, 100, 1).text, "abcd");
  const UartReceived rest = transfer_.UartRcvNbyt(adr_, 4, 100, 1);
  EXPECT_EQ(rest.text, "efgh");
  EXPECT_EQ(rest.failed, 0);
  EXPECT_EQ(uart_.receiver_inits, 1);
}

struct SendCase {
  std::size_t length;
  std::vector<int> blocks;
  friend void PrintTo(const SendCase& c, std::ostream* os) { *os << c.length << "_bytes"; }
};

class UartSndStrTest : public UartTransferTest, public ::testing::WithParamInterface<SendCase> {};

TEST_P(UartSndStrTest, SendsBlocksOf128EachAfterAReadyWait) {
  std::string text;
  for (std::size_t i = 0; i < GetParam().length; ++i) text += static_cast<char>('a' + i % 26);
  uart_.SetBusyReadsPerByte(1);
  transfer_.UartSndStr(adr_, text);
  EXPECT_EQ(uart_.sent, text);
  EXPECT_EQ(ReadyWaitsInTrace(), GetParam().blocks);
}

INSTANTIATE_TEST_SUITE_P(Lengths, UartSndStrTest,
                         ::testing::Values(SendCase{0, {0}}, SendCase{1, {1}}, SendCase{128, {128}},
                                           SendCase{129, {128, 1}}, SendCase{152, {128, 24}},
                                           SendCase{300, {128, 128, 44}}));

TEST_F(UartTransferTest, ReadyWaitPollsUntilTheTransmitterIsFree) {
  uart_.SetBusyReadsPerByte(500);
  transfer_.UartSndStr(adr_, std::string(129, 'x'));
  EXPECT_EQ(uart_.tx_status_reads, 1 + 128 * 500 + 1) << "the second block waits 64,000 reads";
  EXPECT_TRUE(messages_.empty());
}

TEST_F(UartTransferTest, StuckTransmitterTimesOutAfter100001ReadsAndSendsAnyway) {
  uart_.SetStuck(true);
  ExpectMessageAt(5, 10);
  transfer_.UartSndStr(adr_, "hi");
  EXPECT_EQ(uart_.tx_status_reads, 100'001);
  EXPECT_EQ(messages_, (std::vector<std::string>{"Timout on Wait UartTxStaRdy"}));
  EXPECT_EQ(uart_.sent, "hi");
}

TEST_F(UartTransferTest, WaitForEmptyTimesOutWithItsOwnMessage) {
  uart_.SetStuck(true);
  ExpectMessageAt(5, 10);
  transfer_.UartWaitTxStaEmpty(adr_);
  EXPECT_EQ(uart_.tx_status_reads, 100'001);
  EXPECT_EQ(messages_, (std::vector<std::string>{"Timout on Wait UartTxStaEmpty"}));
}

TEST_F(UartTransferTest, SlowSendWaitsForEachByteAndPausesTenMilliseconds) {
  link_.ChanAdr() = adr_;
  transfer_.UartSndStrDly("V\r");
  EXPECT_EQ(uart_.sent, "V\r");
  EXPECT_EQ(ReadyWaitsInTrace(), (std::vector<int>{1, 1}));
  EXPECT_EQ(clock_.NowUs(), 20 * kMs);
  std::vector<std::int64_t> data_times;
  for (const auto& a : recorder_.Trace()) {
    if (a.write && a.port == 0x310) data_times.push_back(a.time_us);
  }
  EXPECT_EQ(data_times, (std::vector<std::int64_t>{0, 10 * kMs}));
}

TEST_F(UartTransferTest, RcvCntDropsTheErrorBit) {
  uart_.ArriveAt(0, "abc");
  uart_.RaiseError(1);
  EXPECT_EQ(transfer_.UartRcvCnt(adr_), 3);
}

struct HexCase {
  std::string text;
  std::string shown;
  friend void PrintTo(const HexCase& c, std::ostream* os) { *os << c.shown.size() << "_chars"; }
};

class PrnHexStrTest : public UartTransferTest, public ::testing::WithParamInterface<HexCase> {};

TEST_P(PrnHexStrTest, PrintsTwoDigitsAndASpacePerByteThenEndsTheLine) {
  con_.ConClear();
  con_.ConLocate(5, 1, -1);
  transfer_.PrnHexStr(GetParam().text);
  std::string row;
  for (int col = 1; col <= 80; ++col) row += static_cast<char>(con_.Screen().Image().At(5, col).ch);
  row.erase(row.find_last_not_of(' ') + 1);
  EXPECT_EQ(row, GetParam().shown);
  EXPECT_EQ(con_.ConCsrRow(), 6);
  EXPECT_EQ(con_.ConCsrCol(), 1);
}

INSTANTIATE_TEST_SUITE_P(Texts, PrnHexStrTest,
                         ::testing::Values(HexCase{"\r\nA", "0D 0A 41"}, HexCase{"", ""},
                                           HexCase{std::string("\0\xFF\x7f", 3), "00 FF 7F"}));

}  // namespace
}  // namespace r7n
