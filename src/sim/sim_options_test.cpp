#include "sim/sim_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace r7n::sim {
namespace {

SimOptionsResult Parse(std::vector<const char*> args) {
  args.insert(args.begin(), "r7n_uart_sim");
  return ParseSimOptions(static_cast<int>(args.size()), args.data());
}

struct GoodCase {
  std::vector<const char*> args;
  bool base1;
  bool base2;
};

TEST(SimOptionsTest, ChoosesTheFittedBaseUnits) {
  const GoodCase cases[] = {
      {{}, true, true},
      {{"--base1", "absent"}, false, true},
      {{"--base2", "absent"}, true, false},
      {{"--base1=absent"}, false, true},
      {{"--base2=absent", "--base1", "absent"}, false, false},
      {{"--base1", "absent", "--base1=fitted"}, true, true},  // the last one counts
      {{"--base2=fitted"}, true, true},
  };
  for (const GoodCase& c : cases) {
    const SimOptionsResult result = Parse(c.args);
    ASSERT_EQ(result.kind, SimOptionsResult::Kind::kRun) << result.error;
    EXPECT_EQ(result.config.base1_fitted, c.base1) << c.args.size() << " arguments";
    EXPECT_EQ(result.config.base2_fitted, c.base2) << c.args.size() << " arguments";
    EXPECT_TRUE(result.error.empty());
  }
}

TEST(SimOptionsTest, HelpWinsWhenItComesFirst) {
  const std::vector<std::vector<const char*>> cases = {
      {"--help"},
      {"-h"},
      {"--base1", "absent", "--help"},
      {"--help", "--bogus"},
  };
  for (const auto& args : cases) {
    EXPECT_EQ(Parse(args).kind, SimOptionsResult::Kind::kHelp) << args.front();
  }
}

struct BadCase {
  std::vector<const char*> args;
  std::string message;
};

TEST(SimOptionsTest, MistakesGiveOneLineNamingTheCulprit) {
  const BadCase cases[] = {
      {{"--base3", "absent"}, "unknown option --base3"},
      {{"--bogus=1"}, "unknown option --bogus"},
      {{"-x"}, "unknown option -x"},
      {{"fitted"}, "unexpected argument 'fitted'"},
      {{"--base1"}, "option --base1 needs a value: fitted or absent"},
      {{"--base2", "present"},
       "invalid value 'present' for option --base2: expected fitted or absent"},
      {{"--base1="}, "invalid value '' for option --base1: expected fitted or absent"},
      {{"--base1", "Absent"},
       "invalid value 'Absent' for option --base1: expected fitted or absent"},
      {{"--base1", "--base2"},
       "invalid value '--base2' for option --base1: expected fitted or absent"},
      {{"--help=yes"}, "option --help takes no value"},
      {{"--bogus", "--help"}, "unknown option --bogus"},
  };
  for (const BadCase& c : cases) {
    const SimOptionsResult result = Parse(c.args);
    EXPECT_EQ(result.kind, SimOptionsResult::Kind::kError) << c.message;
    EXPECT_EQ(result.error, c.message);
  }
}

TEST(SimOptionsTest, UsageNamesEveryOption) {
  const std::string usage = SimUsage();
  for (const char* word :
       {"r7n_uart_sim", "--base1 fitted|absent", "--base2 fitted|absent", "--help"}) {
    EXPECT_NE(usage.find(word), std::string::npos) << word;
  }
  EXPECT_EQ(usage.back(), '\n');
}

}  // namespace
}  // namespace r7n::sim
