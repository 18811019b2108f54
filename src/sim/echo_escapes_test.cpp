#include "sim/echo_escapes.h"

#include <gtest/gtest.h>

#include <string>

namespace r7n::sim {
namespace {

struct EscapeCase {
  std::string name;
  std::string input;
  std::string text;
  bool stopped;
};

class EchoEscapesTest : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(EchoEscapesTest, Expands) {
  const EscapeCase& c = GetParam();
  const EchoExpansion result = ExpandEchoEscapes(c.input);
  EXPECT_EQ(result.text, c.text);
  EXPECT_EQ(result.stopped, c.stopped);
}

// Inputs are the characters echo receives once the shell has removed the
// quotes: R"(\n)" is a backslash and an n.
INSTANTIATE_TEST_SUITE_P(
    Table, EchoEscapesTest,
    ::testing::Values(EscapeCase{"Plain", "auto lo", "auto lo", false},
                      EscapeCase{"Empty", "", "", false},
                      EscapeCase{"Newlines", R"(a\nb\n)", "a\nb\n", false},
                      EscapeCase{"Backslash", R"(a\\n)", "a\\n", false},
                      EscapeCase{"Letters", R"(\a\b\e\f\r\t\v)", "\a\b\x1B\f\r\t\v", false},
                      EscapeCase{"StopDropsTheRest", R"(one\ctwo\n)", "one", true},
                      EscapeCase{"StopAtStart", R"(\c)", "", true},
                      EscapeCase{"OctalThreeDigits", R"(\0101\0060)", "A0", false},
                      EscapeCase{"OctalStopsAfterThree", R"(\01011)", "A1", false},
                      EscapeCase{"OctalStopsAtNonDigit", R"(\012x)", "\nx", false},
                      EscapeCase{"OctalEightIsNotADigit", R"(\08)",
                                 std::string("\0"
                                             "8",
                                             2),
                                 false},
                      EscapeCase{"BareZeroIsNul", R"(a\0b)", std::string("a\0b", 3), false},
                      EscapeCase{"OctalWrapsToAByte", R"(\0777)", "\xFF", false},
                      EscapeCase{"HexTwoDigits", R"(\x41\x6a)", "Aj", false},
                      EscapeCase{"HexOneDigit", R"(\x9z)", "\tz", false},
                      EscapeCase{"HexStopsAfterTwo", R"(\x414)", "A4", false},
                      EscapeCase{"HexWithoutDigitsStays", R"(\xg)", "\\xg", false},
                      EscapeCase{"HexAtEndStays", R"(a\x)", "a\\x", false},
                      EscapeCase{"UnknownEscapeStays", R"(\q\1\ )", "\\q\\1\\ ", false},
                      EscapeCase{"TrailingBackslashStays", R"(end\)", "end\\", false}),
    [](const ::testing::TestParamInfo<EscapeCase>& param_info) { return param_info.param.name; });

TEST(EchoEscapes, InterfacesLinesAsTheServiceConsoleWritesThem) {
  const EchoExpansion result = ExpandEchoEscapes(
      R"(auto lo\niface lo inet loopback\niface eth0 inet static\naddress 192.168.127.129\n)"
      R"(netmask 255.255.255.0\nmtu 9000\n)");
  EXPECT_EQ(result.text,
            "auto lo\niface lo inet loopback\niface eth0 inet static\naddress 192.168.127.129\n"
            "netmask 255.255.255.0\nmtu 9000\n");
  EXPECT_FALSE(result.stopped);
}

}  // namespace
}  // namespace r7n::sim
