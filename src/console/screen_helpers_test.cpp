#include "console/screen_helpers.h"

#include <gtest/gtest.h>

#include <string>

#include "console/program_exit.h"
#include "platform/virtual_clock.h"
#include "testing/headless_console.h"

namespace r7n {
namespace {

class ScreenHelpersTest : public ::testing::Test {
 protected:
  ScreenHelpersTest() {
    con_.ConColor(7, 0, 0);
    con_.ConClear();
  }

  const Cell& At(int row, int col) const { return con_.Screen().Image().At(row, col); }
  std::string Cols(int row, int from, int to) const {
    std::string text;
    for (int col = from; col <= to; ++col) text += static_cast<char>(At(row, col).ch);
    return text;
  }

  VirtualClock clock_;
  testing::HeadlessConsole device_{clock_};
  Console con_{device_, clock_};
  ScreenHelpers helpers_{con_};
};

struct StripCase {
  const char* name;
  std::string text;
  std::string expected_cols_2_to_79;
  friend void PrintTo(const StripCase& c, std::ostream* os) { *os << c.name; }
};

class MsgLineStripTest : public ScreenHelpersTest,
                         public ::testing::WithParamInterface<StripCase> {};

TEST_P(MsgLineStripTest, PaintsColumnsTwoToSeventyNine) {
  const StripCase& c = GetParam();
  con_.ConLocate(3, 1, -1);
  con_.ConPrint(std::string(80, '#'), false);
  helpers_.MsgLine(ScreenHelpers::kMsgShow, 3, 12, 15, c.text);
  EXPECT_EQ(Cols(3, 2, 79), c.expected_cols_2_to_79) << c.name;
  EXPECT_EQ(At(3, 1), (Cell{'#', 7, 0})) << "column 1 untouched";
  EXPECT_EQ(At(3, 80), (Cell{'#', 7, 0})) << "column 80 untouched";
  EXPECT_EQ(Cols(4, 1, 80), std::string(80, ' ')) << "the strip stays on its row";
  EXPECT_EQ(device_.BeepTimes().size(), 0u);
  for (int col = 2; col <= 79; ++col) {
    EXPECT_EQ(At(3, col).fg, 15);
    EXPECT_EQ(At(3, col).bg, 12);
  }
}

const std::string k77(77, 'x');
const std::string k100 = std::string(77, 'y') + std::string(23, 'z');

INSTANTIATE_TEST_SUITE_P(
    Texts, MsgLineStripTest,
    ::testing::Values(StripCase{"empty text", "", std::string(78, ' ')},
                      StripCase{"short text", "Hello", " Hello" + std::string(72, ' ')},
                      StripCase{"77 characters fill to column 79", k77, " " + k77},
                      StripCase{"100 characters are cut to 77", k100, " " + std::string(77, 'y')},
                      StripCase{"cursor-moving bytes show as spaces", "a\tb\rc\nd\be\af",
                                " a b c d e f" + std::string(66, ' ')},
                      StripCase{"tabs cannot push it past column 79", std::string(20, '\t'),
                                std::string(78, ' ')},
                      StripCase{"other control bytes keep their glyphs", "\x01\x1b",
                                " \x01\x1b" + std::string(75, ' ')}));

TEST_F(ScreenHelpersTest, AnyKeyButHomeClearsTheRowAndRestoresColoursAndCursor) {
  con_.ConColor(14, 1, 0);
  con_.ConLocate(10, 7, -1);
  device_.ScheduleKey(0, "a");
  const KeyCode key = helpers_.MsgLineKey(24, 12, 15, "Boom", 0);
  EXPECT_EQ(key, "a");
  for (int col = 1; col <= 79; ++col) {
    EXPECT_EQ(At(24, col), (Cell{' ', 14, 1})) << "column " << col;
  }
  EXPECT_EQ(con_.ConCsrRow(), 10);
  EXPECT_EQ(con_.ConCsrCol(), 7);
  EXPECT_EQ(con_.ConColor(0, 0, 3), 14u | (1u << 16));
}

TEST_F(ScreenHelpersTest, ErrMsgShowsWhiteOnLightRedAndWaits) {
  device_.ScheduleKey(500'000, "x");
  bool seen = false;
  device_.ScheduleProbe(100'000, [&] {
    con_.Present();
    seen = device_.Shown().At(24, 2).bg == 12 && device_.Shown().At(24, 3).ch == 'E' &&
           device_.Shown().At(24, 3).fg == 15;
  });
  helpers_.ErrMsg("Error");
  EXPECT_TRUE(seen);
  EXPECT_GE(clock_.NowUs(), 500'000);
}

TEST_F(ScreenHelpersTest, HomeAtAMessageResetsTheScreenAndEndsTheProgram) {
  con_.ConColor(14, 1, 0);
  con_.ConPrint("something", false);
  device_.ScheduleKey(0, KeyHome);
  try {
    helpers_.ErrMsg("x");
    FAIL() << "Home must end the program";
  } catch (const ProgramExit& exit) {
    EXPECT_EQ(exit.status, 0);
  }
  EXPECT_EQ(At(1, 1), (Cell{' ', 7, 0}));
  EXPECT_EQ(At(24, 2), (Cell{' ', 7, 0}));
  EXPECT_EQ(con_.ConCsrRow(), 1);
}

TEST_F(ScreenHelpersTest, MsgLineKeyWithPauseTakesAWaitingKeyOrNone) {
  EXPECT_EQ(helpers_.MsgLineKey(24, 12, 15, "t", 300), "");
  EXPECT_EQ(clock_.NowUs(), 300'000);
  device_.ScheduleKey(400'000, "q");
  EXPECT_EQ(helpers_.MsgLineKey(24, 12, 15, "t", 300), "q");
}

TEST_F(ScreenHelpersTest, PrintVertSkipsSpacesAndRestores) {
  con_.ConLocate(5, 1, -1);
  con_.ConPrint("row5", false);
  con_.ConColor(3, 0, 0);
  con_.ConLocate(20, 9, -1);
  helpers_.PrintVert(4, 1, "A B", 14, 0);
  EXPECT_EQ(At(4, 1), (Cell{'A', 14, 0}));
  EXPECT_EQ(At(5, 1), (Cell{'r', 7, 0})) << "a space leaves the cell as it was";
  EXPECT_EQ(At(6, 1), (Cell{'B', 14, 0}));
  EXPECT_EQ(con_.ConCsrRow(), 20);
  EXPECT_EQ(con_.ConCsrCol(), 9);
  EXPECT_EQ(con_.ConColor(0, 0, 3), 3u);
}

TEST_F(ScreenHelpersTest, PressAnyKeyWritesBelowTheCursor) {
  con_.ConLocate(10, 1, -1);
  device_.ScheduleKey(0, "z");
  helpers_.PressAnyKey();
  EXPECT_EQ(Cols(10, 1, 5), "     ");
  EXPECT_EQ(Cols(11, 1, 25), "Press any key to continue");
  EXPECT_EQ(con_.ConCsrRow(), 13);
  EXPECT_EQ(con_.ConCsrCol(), 1);
  EXPECT_EQ(con_.ConKey(), "") << "the key is consumed";
}

TEST_F(ScreenHelpersTest, ErrMsgBellSoundsNoToneWhileTheCounterIsZero) {
  helpers_.SetBellOn(1);
  device_.ScheduleKey(0, "k");
  helpers_.ErrMsgBell("x");
  EXPECT_TRUE(device_.BeepTimes().empty());
}

}  // namespace
}  // namespace r7n
