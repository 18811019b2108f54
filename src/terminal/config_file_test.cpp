#include "terminal/config_file.h"

#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

namespace r7n {
namespace {

using Lines = std::vector<std::string>;

// Everything a reading pass leaves behind, in a form that compares whole.
struct Result {
  std::map<int, Lines> macros;  // the counted lines of every defined macro
  Lines help;
  std::int32_t baud_rate = 0;
  Lines messages;
  friend bool operator==(const Result&, const Result&) = default;
  friend void PrintTo(const Result& r, std::ostream* os) {
    *os << "baud " << r.baud_rate << "; macros";
    for (const auto& [macro, lines] : r.macros) {
      *os << " " << macro << ":" << ::testing::PrintToString(lines);
    }
    *os << "; help " << ::testing::PrintToString(r.help) << "; messages "
        << ::testing::PrintToString(r.messages);
  }
};

// Neither the default rate nor one that a case sets, so that an unchanged
// rate is told apart from a reset one.
constexpr std::int32_t kRateBefore = 57600;

Result Read(const Lines& lines) {
  ConfigTables tables;
  Result result;
  result.baud_rate = kRateBefore;
  ConfigReader reader(tables, result.baud_rate,
                      [&](std::string_view message) { result.messages.emplace_back(message); });
  for (const std::string& line : lines) reader.ReadLine(line);
  for (int macro = 1; macro <= ConfigTables::kMacroCount; ++macro) {
    for (int line = 1; line <= tables.MacroCnt(macro); ++line) {
      result.macros[macro].push_back(tables.MacroLine(macro, line));
    }
  }
  for (int line = 1; line <= tables.HelpCnt(); ++line) result.help.push_back(tables.HelpLine(line));
  return result;
}

Lines Numbered(const std::string& stem, int count) {
  Lines lines;
  for (int i = 1; i <= count; ++i) lines.push_back(stem + std::to_string(i));
  return lines;
}

Lines Concat(Lines head, const Lines& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

template <class Case>
std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
  return info.param.name;
}

struct ReaderCase {
  std::string name;
  Lines lines;
  Result expected;
  friend void PrintTo(const ReaderCase& c, std::ostream* os) { *os << c.name; }
};

class ConfigReaderTest : public ::testing::TestWithParam<ReaderCase> {};

TEST_P(ConfigReaderTest, FillsTheTablesAndReportsWhatItRefuses) {
  EXPECT_EQ(Read(GetParam().lines), GetParam().expected);
}

const Lines kNineLines{"' macros", "#F1 root",   "#f2", "ls -l",          "#SF3 exit",
                       "#HELP",    "F1 = login", "\"",  "#COMMODE 115200"};

INSTANTIATE_TEST_SUITE_P(
    Sections, ConfigReaderTest,
    ::testing::Values(
        ReaderCase{
            "NineLineExample",
            kNineLines,
            {{{1, {"root"}}, {2, {"ls -l"}}, {15, {"exit"}}}, {"F1 = login", " "}, 115200, {}}},
        ReaderCase{"CommentsAndEmptyLinesOnly",
                   {"' a comment", "", "     ", "  ' indented comment", "'#F1 x"},
                   {{}, {}, kRateBefore, {}}},
        ReaderCase{"HelpRemainder", {"#HELP Press F1"}, {{}, {"Press F1"}, kRateBefore, {}}},
        ReaderCase{"SpacesBeforeApostropheMakeAComment",
                   {"#F3", "   ' not a macro line", "  x  "},
                   {{{3, {"x"}}}, {}, kRateBefore, {}}},
        ReaderCase{"TabLedLineIsContentWithItsTab",
                   {"#F4", "\t' not a comment", "\t#F1 not a keyword"},
                   {{{4, {"\t' not a comment", "\t#F1 not a keyword"}}}, {}, kRateBefore, {}}},
        ReaderCase{"F5WithTwoLines", {"#F5", "a", "b"}, {{{5, {"a", "b"}}}, {}, kRateBefore, {}}},
        ReaderCase{"MacroDefinedTwiceKeepsTheSecondSection",
                   {"#F2 a", "b", "c", "#F2", "x"},
                   {{{2, {"x"}}}, {}, kRateBefore, {}}},
        ReaderCase{"KeywordWithoutLinesLeavesTheMacro",
                   {"#F2 a", "b", "#F2", "#HELP h"},
                   {{{2, {"a", "b"}}}, {"h"}, kRateBefore, {}}},
        ReaderCase{"HelpSectionsAddUp",
                   {"#HELP a", "#F1 x", "#HELP b", "c"},
                   {{{1, {"x"}}}, {"a", "b", "c"}, kRateBefore, {}}},
        ReaderCase{"KeywordsIgnoreCase",
                   {"#commode 9600", "#sf1 y", "#Help z"},
                   {{{13, {"y"}}}, {"z"}, 9600, {}}},
        ReaderCase{"F13IsShiftF1", {"#F13 a", "#SF1 b"}, {{{13, {"b"}}}, {}, kRateBefore, {}}},
        ReaderCase{"OneDigitNumberTakesTheNextCharacter",
                   {"#F1text", "#F 29200"},
                   {{{1, {"ext"}}, {2, {"9200"}}}, {}, kRateBefore, {}}},
        ReaderCase{"MacroLinesAreKeptAsWritten",
                   {"#F1   \"root\" CR  ", "#F2 \"", "#F3 #XYZ", "#F4 a\t"},
                   {{{1, {"\"root\" CR"}}, {2, {"\""}}, {3, {"#XYZ"}}, {4, {"a\t"}}},
                    {},
                    kRateBefore,
                    {}}},
        ReaderCase{"RemainderCommentIsSkipped",
                   {"#F1 ' nothing", "#HELP ' nothing"},
                   {{}, {}, kRateBefore, {}}},
        ReaderCase{"NulBytesStay",
                   {"#F1 a" + std::string(1, '\0') + "b"},
                   {{{1, {"a" + std::string(1, '\0') + "b"}}}, {}, kRateBefore, {}}}),
    CaseName<ReaderCase>);

INSTANTIATE_TEST_SUITE_P(
    Limits, ConfigReaderTest,
    ::testing::Values(ReaderCase{"HundredthMacroLineIsDropped",
                                 Concat({"#F7"}, Numbered("l", 100)),
                                 {{{7, Numbered("l", 99)}}, {}, kRateBefore, {}}},
                      ReaderCase{
                          "TwentyFifthHelpLineIsDropped",
                          Concat(Concat({"#HELP"}, Numbered("h", 20)),
                                 Concat({"#HELP"}, Numbered("i", 5))),
                          {{}, Concat(Numbered("h", 20), Numbered("i", 4)), kRateBefore, {}}},
                      ReaderCase{"NewSectionRestartsTheLineCount",
                                 Concat(Concat({"#F7"}, Numbered("l", 99)), {"#F8 m"}),
                                 {{{7, Numbered("l", 99)}, {8, {"m"}}}, {}, kRateBefore, {}}}),
    CaseName<ReaderCase>);

INSTANTIATE_TEST_SUITE_P(
    MacroNumbers, ConfigReaderTest,
    ::testing::Values(
        ReaderCase{"F25IsRefused",
                   {"#F25 x", "y", "#F1 z"},
                   {{{1, {"z"}}}, {}, kRateBefore, {"Non Valid Command: #F25 x"}}},
        ReaderCase{"SF13IsRefused",
                   {"#SF13 x", "9600"},
                   {{}, {}, kRateBefore, {"Non Valid Command: #SF13 x"}}},
        ReaderCase{"NegativeNumberIsRefused",
                   {"#F-5 x"},
                   {{}, {}, kRateBefore, {"Non Valid Command: #F-5 x"}}},
        ReaderCase{"SF99IsRefused", {"#SF99"}, {{}, {}, kRateBefore, {"Non Valid Command: #SF99"}}},
        ReaderCase{
            "F24AndSF12AreTheLast", {"#F24 a", "#SF12 b"}, {{{24, {"b"}}}, {}, kRateBefore, {}}},
        ReaderCase{"BareFSelectsTheBaudSection", {"#F", "9600"}, {{}, {}, 9600, {}}},
        ReaderCase{"UnreadableFNumberSelectsTheBaudSection", {"#FOO 4800"}, {{}, {}, 4800, {}}},
        ReaderCase{"F0SelectsTheBaudSection", {"#F0 19200"}, {{}, {}, 19200, {}}},
        ReaderCase{"FMinusOneSelectsTheHelpSection",
                   {"#F-1 Help me", "more"},
                   {{}, {"Help me", "more"}, kRateBefore, {}}},
        ReaderCase{"UnreadableSFNumberIsMacroTwelve",
                   {"#SFx a", "#SF-9 b"},
                   {{{3, {"b"}}, {12, {"a"}}}, {}, kRateBefore, {}}},
        ReaderCase{"NumberIsTwoCharactersRoundedHalfToEven",
                   {"#F2.5", "a", "#F.5 9600"},
                   {{{2, {"5", "a"}}}, {}, 9600, {}}}),
    CaseName<ReaderCase>);

INSTANTIATE_TEST_SUITE_P(
    BaudRate, ConfigReaderTest,
    ::testing::Values(
        ReaderCase{"Commode9600", {"#COMMODE 9600"}, {{}, {}, 9600, {}}},
        ReaderCase{"CommodeOnItsOwnLine", {"#COMMODE", "38400"}, {{}, {}, 38400, {}}},
        ReaderCase{
            "ContentBeforeAnyKeywordSetsTheRate", {"9600", "#F1 x"}, {{{1, {"x"}}}, {}, 9600, {}}},
        ReaderCase{"HexadecimalRate", {"#COMMODE &H2580"}, {{}, {}, 9600, {}}},
        ReaderCase{"FractionRoundsHalfToEven", {"#COMMODE 9600.5"}, {{}, {}, 9600, {}}},
        ReaderCase{"LowestAndHighestRates",
                   {"#COMMODE 1908", "#COMMODE 125000000"},
                   {{}, {}, 125'000'000, {}}},
        ReaderCase{"LowestRate", {"#COMMODE 1908"}, {{}, {}, 1908, {}}},
        ReaderCase{
            "Zero", {"#COMMODE 0"}, {{}, {}, kRateBefore, {"Non Valid Command: #COMMODE 0"}}},
        ReaderCase{"TooSlow",
                   {"#COMMODE 1000", "#COMMODE 1907"},
                   {{},
                    {},
                    kRateBefore,
                    {"Non Valid Command: #COMMODE 1000", "Non Valid Command: #COMMODE 1907"}}},
        ReaderCase{
            "TooFast",
            {"#COMMODE 125000001", "#COMMODE 1e400"},
            {{},
             {},
             kRateBefore,
             {"Non Valid Command: #COMMODE 125000001", "Non Valid Command: #COMMODE 1e400"}}},
        ReaderCase{"Negative",
                   {"#COMMODE -9600"},
                   {{}, {}, kRateBefore, {"Non Valid Command: #COMMODE -9600"}}},
        ReaderCase{"NotANumber",
                   {"#COMMODE abc"},
                   {{}, {}, kRateBefore, {"Non Valid Command: #COMMODE abc"}}},
        ReaderCase{"RefusedContentLineIsShownAsWritten",
                   {"#COMMODE", "  fast  "},
                   {{}, {}, kRateBefore, {"Non Valid Command: fast"}}},
        ReaderCase{"RefusedRateKeepsTheLastGoodOne",
                   {"#COMMODE 9600", "#COMMODE 0"},
                   {{}, {}, 9600, {"Non Valid Command: #COMMODE 0"}}}),
    CaseName<ReaderCase>);

INSTANTIATE_TEST_SUITE_P(
    UnknownKeywords, ConfigReaderTest,
    ::testing::Values(
        ReaderCase{"XYZ", {"#XYZ"}, {{}, {}, kRateBefore, {"Non Valid Command: #XYZ"}}},
        ReaderCase{"LinesAfterAnUnknownKeywordGoNowhere",
                   {"#HELP h", "  #baud 9600  ", "9600", "text", "#F1 x"},
                   {{{1, {"x"}}}, {"h"}, kRateBefore, {"Non Valid Command: #baud 9600"}}},
        ReaderCase{"EachUnknownKeywordIsReportedInOrder",
                   {"#A", "#B", "#"},
                   {{},
                    {},
                    kRateBefore,
                    {"Non Valid Command: #A", "Non Valid Command: #B", "Non Valid Command: #"}}},
        ReaderCase{"ComModeNeedsTheWholeWord",
                   {"#COMMOD 9600"},
                   {{}, {}, kRateBefore, {"Non Valid Command: #COMMOD 9600"}}}),
    CaseName<ReaderCase>);

TEST(ConfigReader, RedefinedMacroWritesFromLineOne) {
  ConfigTables tables;
  std::int32_t rate = kRateBefore;
  ConfigReader reader(tables, rate, [](std::string_view) {});
  for (const char* line : {"#F9 a", "b", "c", "#F9 x"}) reader.ReadLine(line);
  EXPECT_EQ(tables.MacroCnt(9), 1);
  EXPECT_EQ(tables.MacroLine(9, 1), "x");
}

TEST(ConfigTables, NothingIsWrittenOutsideTheTables) {
  ConfigTables tables;
  EXPECT_FALSE(tables.StoreMacroLine(0, 1, "x"));
  EXPECT_FALSE(tables.StoreMacroLine(25, 1, "x"));
  EXPECT_FALSE(tables.StoreMacroLine(1, 0, "x"));
  EXPECT_FALSE(tables.StoreMacroLine(1, 100, "x"));
  EXPECT_TRUE(tables.StoreMacroLine(24, 99, "last"));
  for (int macro = 1; macro < 24; ++macro) EXPECT_EQ(tables.MacroCnt(macro), 0) << macro;
  EXPECT_EQ(tables.MacroCnt(24), 99);
  EXPECT_EQ(tables.MacroLine(24, 99), "last");
  EXPECT_EQ(tables.MacroLine(25, 1), "");
  EXPECT_EQ(tables.MacroCnt(-1), 0);
  EXPECT_EQ(tables.HelpLine(0), "");
  EXPECT_EQ(tables.HelpLine(25), "");
}

TEST(BaudRateLimits, AreTheRatesWhoseDivisorFitsSixteenBits) {
  EXPECT_LE(UartDivisor(kUartClockHz, kMinBaudRate), 0xFFFF);
  EXPECT_GT(UartDivisor(kUartClockHz, kMinBaudRate - 1), 0xFFFF);
  EXPECT_EQ(UartDivisor(kUartClockHz, kMaxBaudRate), 1);
}

struct SplitCase {
  std::string name;
  std::string bytes;
  Lines lines;
  friend void PrintTo(const SplitCase& c, std::ostream* os) { *os << c.name; }
};

class ForEachLineTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(ForEachLineTest, SplitsAtLfAndCrLf) {
  std::istringstream in(GetParam().bytes);
  Lines lines;
  EXPECT_TRUE(ForEachLine(in, [&](std::string_view line) { lines.emplace_back(line); }));
  EXPECT_EQ(lines, GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    LineEnds, ForEachLineTest,
    ::testing::Values(SplitCase{"Empty", "", {}}, SplitCase{"Lf", "a\nb\n", {"a", "b"}},
                      SplitCase{"CrLf", "a\r\nb\r\n", {"a", "b"}},
                      SplitCase{"Mixed", "a\r\nb\nc", {"a", "b", "c"}},
                      SplitCase{"NoFinalLineEnd", "a\nb", {"a", "b"}},
                      SplitCase{"EmptyLinesStay", "\n\r\n\nx\n", {"", "", "", "x"}},
                      SplitCase{"LoneCrIsPartOfTheLine", "a\rb\n", {"a\rb"}},
                      SplitCase{"CrOnlyFileIsOneLine", "a\rb\r", {"a\rb\r"}},
                      SplitCase{"OnlyOneCrIsTheLineEnd", "a\r\r\n", {"a\r"}},
                      SplitCase{"NulBytesStay",
                                std::string("a\0b\nc\0", 6),
                                {std::string("a\0b", 3), std::string("c\0", 2)}}),
    CaseName<SplitCase>);

TEST(ForEachLine, LinesLongerThanAReadAndCrLfSplitBetweenReads) {
  // One read takes 64 KiB; the first line ends with its CR as the last byte
  // of the first read and its LF as the first of the second.
  const std::string first(64 * 1024 - 1, 'a');
  const std::string second(300 * 1024, 'b');
  std::istringstream in(first + "\r\n" + second + "\r\nc");
  Lines lines;
  EXPECT_TRUE(ForEachLine(in, [&](std::string_view line) { lines.emplace_back(line); }));
  EXPECT_EQ(lines, (Lines{first, second, "c"}));
}

}  // namespace
}  // namespace r7n
