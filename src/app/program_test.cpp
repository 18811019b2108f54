#include "app/program.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "testing/program_harness.h"

namespace r7n {
namespace {

using testing::HarnessOptions;
using testing::ProgramHarness;
using Access = PortRecorder::Access;

const std::vector<std::string> kMenu{
    "R7N UART:",
    "----------",
    "",
    " ZCP Terminal    <1> R7N-1 ZCP Term         <2> R7N-2 ZCP Term",
    "                 <R> R7N-1 ZCP Reset        <Z> R7N-2 ZCP Reset",
    "                 <N> R7N-1 ZCP Version",
    "",
    " Linux Console   <A> KT20R R7N-1 Mod A      <E> KT20R R7N-2 Mod A",
    "                 <B> KT20R R7N-1 Mod B      <F> KT20R R7N-2 Mod B",
    "                 <C> KT20R R7N-1 Mod C      <G> KT20R R7N-2 Mod C",
    "                 <D> KT20R R7N-1 Mod D      <H> KT20R R7N-2 Mod D",
    "",
    " KT20R IP add    <V> View IP address",
    "                 <S> Set  IP address",
    "",
    " KJ Bus reset    <P> Permanent Bus Reset",
    "                 <Q> Quit",
};

void ExpectMenuShown(const ProgramHarness& h) {
  for (int row = 1; row <= static_cast<int>(kMenu.size()); ++row) {
    EXPECT_EQ(h.Row(row), kMenu[static_cast<std::size_t>(row - 1)]) << "row " << row;
  }
  for (int row = 18; row <= 25; ++row) EXPECT_EQ(h.Row(row), "") << "row " << row;
}

std::vector<Access> Writes(const PortRecorder& recorder) {
  std::vector<Access> writes;
  for (const Access& a : recorder.Trace()) {
    if (a.write) writes.push_back(a);
  }
  return writes;
}

TEST(Program, QuitRightAfterStartEndsWithStatusZero) {
  ProgramHarness h;
  h.KeyAt(0, "q");
  const auto outcome = h.Run();
  ASSERT_TRUE(outcome.exit_status.has_value());
  EXPECT_EQ(*outcome.exit_status, 0);
  EXPECT_EQ(outcome.end_us, 10'000 + 1) << "one 10 ms keyboard tick after the bus release";
  ExpectMenuShown(h);
}

TEST(Program, MenuIsDrawnExactlyWithYellowKeyMarks) {
  ProgramHarness h;
  h.KeyAt(50, "Q");
  h.Run();
  ExpectMenuShown(h);
  for (int col = 1; col <= 9; ++col) EXPECT_EQ(h.CellAt(1, col).fg, 15) << "title";
  for (int col = 1; col <= 10; ++col) EXPECT_EQ(h.CellAt(2, col).fg, 15) << "underline";
  const std::vector<int> mark_cols{18, 19, 20, 45, 46, 47};
  for (int row = 4; row <= 17; ++row) {
    const std::string text = h.Row(row);
    for (int col = 1; col <= 80; ++col) {
      const Cell cell = h.CellAt(row, col);
      const bool is_mark = std::find(mark_cols.begin(), mark_cols.end(), col) != mark_cols.end() &&
                           col <= static_cast<int>(text.size()) &&
                           text[static_cast<std::size_t>(col - 1)] != ' ';
      EXPECT_EQ(cell.fg, is_mark ? 14 : 7) << "row " << row << " col " << col;
      EXPECT_EQ(cell.bg, 0) << "row " << row << " col " << col;
    }
  }
  EXPECT_EQ(h.CellAt(17, 19), (Cell{'Q', 14, 0}));
  EXPECT_EQ(h.CellAt(4, 46), (Cell{'2', 14, 0}));
  EXPECT_EQ(h.Shown().cursor_row, 19);
  EXPECT_EQ(h.Shown().cursor_col, 1);
  EXPECT_FALSE(h.Shown().cursor_visible);
}

TEST(Program, StartUpOnlyReleasesTheKjBus) {
  ProgramHarness h;
  h.KeyAt(0, "q");
  h.Run();
  EXPECT_EQ(h.Recorder().Trace(), (std::vector<Access>{{0, 0x2A4, true, 0x00}}));
  EXPECT_FALSE(h.Chassis().KjBusInReset());
}

TEST(Program, MakesTheExecutablesDirectoryTheWorkingDirectory) {
  ProgramHarness h;
  std::filesystem::path seen;
  h.ProbeAt(5, [&] { seen = std::filesystem::current_path(); });
  h.KeyAt(10, "q");
  h.Run();
  EXPECT_EQ(std::filesystem::canonical(seen), std::filesystem::canonical(h.Dir()));
}

struct ResetCase {
  KeyCode key;
  std::uint16_t data_port;
  int unit;
  friend void PrintTo(const ResetCase& c, std::ostream* os) { *os << "key_" << c.key; }
};

class ZcpResetKeyTest : public ::testing::TestWithParam<ResetCase> {};

TEST_P(ZcpResetKeyTest, PulsesTheResetLineAndRedrawsTheMenu) {
  const ResetCase& c = GetParam();
  ProgramHarness h;
  h.KeyAt(100, c.key);
  h.KeyAt(500, "q");
  h.Run();
  const auto writes = Writes(h.Recorder());
  ASSERT_EQ(writes.size(), 4u);
  const auto index = static_cast<std::uint16_t>(c.data_port + 1);
  EXPECT_EQ(writes[1].port, index);
  EXPECT_EQ(writes[1].value, 0x37);
  EXPECT_EQ(writes[2].port, c.data_port);
  EXPECT_EQ(writes[2].value, 0x01);
  EXPECT_EQ(writes[3].port, c.data_port);
  EXPECT_EQ(writes[3].value, 0x00);
  EXPECT_EQ(writes[3].time_us - writes[2].time_us, 10'000 + 1);
  EXPECT_EQ(h.Chassis().Base(c.unit).ZcpResetCount(), 1);
  EXPECT_EQ(h.Chassis().Base(3 - c.unit).ZcpResetCount(), 0);
  ExpectMenuShown(h);
}

INSTANTIATE_TEST_SUITE_P(Keys, ZcpResetKeyTest,
                         ::testing::Values(ResetCase{"R", 0x310, 1}, ResetCase{"r", 0x310, 1},
                                           ResetCase{"Z", 0x312, 2}, ResetCase{"z", 0x312, 2}));

class BusResetKeyTest : public ::testing::TestWithParam<KeyCode> {};

TEST_P(BusResetKeyTest, HoldsTheBusUntilAKeyIsPressed) {
  ProgramHarness h;
  h.KeyAt(100, "p");
  bool in_reset_during_screen = false;
  h.ProbeAt(300, [&] { in_reset_during_screen = h.Chassis().KjBusInReset(); });
  std::string banner, prompt;
  Cell banner_cell, prompt_cell;
  h.ProbeAt(400, [&] {
    banner = h.Row(2);
    prompt = h.Row(10);
    banner_cell = h.CellAt(2, 3);
    prompt_cell = h.CellAt(10, 3);
  });
  h.KeyAt(1000, GetParam());
  h.KeyAt(2000, "q");
  h.Run();
  EXPECT_TRUE(in_reset_during_screen);
  EXPECT_EQ(banner, "   KJ Bus Reset ON");
  EXPECT_EQ(banner_cell, (Cell{' ', 15, 12}));
  EXPECT_EQ(h.CellAt(2, 2).bg, 0) << "the red bar starts in column 3";
  EXPECT_EQ(prompt, "  Press a key to exit reset");
  EXPECT_EQ(prompt_cell, (Cell{'P', 14, 0}));
  EXPECT_FALSE(h.Chassis().KjBusInReset());
  const auto writes = Writes(h.Recorder());
  ASSERT_EQ(writes.size(), 3u);
  EXPECT_EQ(writes[1].value, 0xFF);
  EXPECT_EQ(writes[2].value, 0x00);
  EXPECT_GE(writes[2].time_us, 1'000'000) << "released only after the key";
  ExpectMenuShown(h);
}

INSTANTIATE_TEST_SUITE_P(AnyKeyEndsIt, BusResetKeyTest,
                         ::testing::Values(KeyCode{"x"}, KeyF1, KeyHome, KeyCode{"\r"}));

TEST(Program, KeysWithoutActionRedrawTheMenuAndTouchNoPort) {
  ProgramHarness h;
  h.KeysFrom(100, 100, {"3", "x", KeyF1, KeyShiftF2, "\x1b", "I"});
  h.KeyAt(1000, "q");
  const int shows_before = h.Console().ShowCount();
  h.Run();
  EXPECT_EQ(h.Recorder().Trace().size(), 1u) << "only the start-up bus release";
  EXPECT_GE(h.Console().ShowCount() - shows_before, 7) << "one full redraw per key";
  ExpectMenuShown(h);
}

TEST(Program, WaitsForKeysForever) {
  HarnessOptions options;
  options.time_limit_us = 60'000'000;
  ProgramHarness h(options);
  const auto outcome = h.Run();
  EXPECT_FALSE(outcome.exit_status.has_value());
  ExpectMenuShown(h);
}

TEST(Program, WindowLargerThanTheMenuKeepsItsSize) {
  HarnessOptions options;
  options.window = {40, 120};
  ProgramHarness h(options);
  h.KeyAt(0, "q");
  h.Run();
  EXPECT_EQ(h.Shown().rows, 40);
  EXPECT_EQ(h.Shown().cols, 120);
  ExpectMenuShown(h);
}

}  // namespace
}  // namespace r7n

namespace r7n {
namespace {

TEST(ZcpVersionKey, ShowsTheControllersReplyUntilAKey) {
  testing::ProgramHarness h;
  h.KeyAt(100, "n");
  std::string title, reply;
  h.ProbeAt(900, [&] {
    title = h.Row(1);
    for (int row = 2; row <= 12; ++row) reply += h.Row(row) + "|";
  });
  h.KeyAt(1000, "x");
  h.KeyAt(1500, "q");
  const auto outcome = h.Run();
  EXPECT_EQ(outcome.exit_status, 0);
  EXPECT_EQ(title, "Read ZCP version:");
  EXPECT_NE(reply.find("ZCP controller firmware V2.31 (R7N)"), std::string::npos) << reply;
  EXPECT_EQ(h.Chassis().Base(1).SelectedDevice(), sim::Device::kZcp);
  ExpectMenuShown(h);
}

TEST(ZcpVersionKey, ShowsAThousandByteReplyWhole) {
  testing::ProgramHarness h;
  h.KeyAt(100, "n");
  std::string reply;
  for (int i = 0; reply.size() < 1000; ++i) reply += "<" + std::to_string(i) + ">";
  reply.resize(1000);
  h.ProbeAt(400, [&] { h.Chassis().MutableBase(1).Inject(sim::Device::kZcp, reply); });
  std::string shown;
  h.ProbeAt(1900, [&] {
    for (int row = 3; row <= 25; ++row)
      shown += h.Row(row) + std::string(80 - h.Row(row).size(), ' ');
  });
  h.KeyAt(2000, "x");
  h.KeyAt(2500, "q");
  h.Run();
  EXPECT_NE(shown.find(reply), std::string::npos) << shown;
}

TEST(ZcpVersionKey, AlwaysAsksBaseUnitOne) {
  testing::ProgramHarness h;
  h.KeyAt(100, "z");  // leaves base unit 2 as the current one
  h.KeyAt(300, "N");
  h.KeyAt(1000, "x");
  h.KeyAt(1500, "q");
  h.Run();
  EXPECT_EQ(h.Chassis().Base(2).Uart().TransmittedBytes().size(), 0u);
  EXPECT_EQ(std::string(h.Chassis().Base(1).Uart().TransmittedBytes().begin(),
                        h.Chassis().Base(1).Uart().TransmittedBytes().end()),
            "\rV\r");
}

}  // namespace
}  // namespace r7n

namespace r7n {
namespace {

TEST(LogoutKey, RightAfterStartLogsOutOfModuleAOfBaseUnitOne) {
  testing::HarnessOptions options;
  options.chassis.base1.modules[0] = sim::ModuleKind::kR7nShell;
  testing::ProgramHarness h(options);
  h.KeyAt(100, "k");
  h.KeyAt(2000, "q");
  h.Run();
  EXPECT_FALSE(h.Chassis().MutableBase(1).Module(0)->AtShell());
  EXPECT_EQ(h.Chassis().Base(1).Line(sim::Device::kModuleA).ToDevice(),
            "\x03"
            "exit\r");
  EXPECT_EQ(h.Chassis().Base(1).SelectedDevice(), sim::Device::kZcp);
  ExpectMenuShown(h);
}

TEST(LogoutKey, AfterTheSurveyItLogsOutBaseUnitTwosTr7nModuleQuietly) {
  testing::ProgramHarness h;
  h.KeyAt(100, "v");
  h.KeyAt(20'000, "x");  // after the survey's prompt
  h.KeyAt(21'000, "K");
  h.KeyAt(24'000, "q");
  h.Run();
  ExpectMenuShown(h);  // and no LogMOut(Failure on row 24
  const std::string& sent = h.Chassis().Base(2).Line(sim::Device::kModuleA).ToDevice();
  EXPECT_EQ(sent.substr(sent.size() - 6),
            "\x03"
            "exit\r");
  EXPECT_FALSE(h.Chassis().MutableBase(2).Module(0)->AtShell()) << "back at its login screen";
  EXPECT_EQ(h.Chassis().Base(2).SelectedDevice(), sim::Device::kZcp);
}

}  // namespace
}  // namespace r7n
