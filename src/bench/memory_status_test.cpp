#include "bench/memory_status.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace r7n::bench {
namespace {

struct StatusCase {
  const char* name;
  std::string text;
  std::optional<MemoryStatus> want;
};

class ParseMemoryStatusTest : public ::testing::TestWithParam<StatusCase> {};

TEST_P(ParseMemoryStatusTest, ReadsBothFiguresOrNone) {
  const std::optional<MemoryStatus> got = ParseMemoryStatus(GetParam().text);
  ASSERT_EQ(got.has_value(), GetParam().want.has_value());
  if (!got) return;
  EXPECT_EQ(got->rss_kib, GetParam().want->rss_kib);
  EXPECT_EQ(got->hwm_kib, GetParam().want->hwm_kib);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseMemoryStatusTest,
    ::testing::Values(
        StatusCase{"Linux",
                   "Name:\tr7n_soak\nVmPeak:\t   12000 kB\nVmHWM:\t    4200 kB\n"
                   "VmRSS:\t    4116 kB\nRssAnon:\t     900 kB\n",
                   MemoryStatus{4116, 4200}},
        StatusCase{"LastLineWithoutNewline", "VmHWM:\t 7 kB\nVmRSS:\t 5 kB", MemoryStatus{5, 7}},
        StatusCase{"NoHwm", "VmRSS:\t 5 kB\n", std::nullopt},
        StatusCase{"NoRss", "VmHWM:\t 5 kB\n", std::nullopt},
        StatusCase{"OnlyAPrefixOfTheName", "VmRSSx:\t 5 kB\nVmHWM:\t 7 kB\n", std::nullopt},
        StatusCase{"NotANumber", "VmRSS:\t lots kB\nVmHWM:\t 7 kB\n", std::nullopt},
        StatusCase{"NoUnit", "VmRSS:\t 5\nVmHWM:\t 7 kB\n", std::nullopt},
        StatusCase{"Empty", "", std::nullopt}),
    [](const ::testing::TestParamInfo<StatusCase>& param_info) {
      return std::string(param_info.param.name);
    });

TEST(ReadMemoryStatus, ThisProcessIsResidentAndNeverWasLess) {
  if (!std::filesystem::exists("/proc/self/status")) GTEST_SKIP() << "no /proc here";
  const std::optional<MemoryStatus> status = ReadMemoryStatus();
  ASSERT_TRUE(status.has_value());
  EXPECT_GT(status->rss_kib, 0);
  EXPECT_GE(status->hwm_kib, status->rss_kib);
}

}  // namespace
}  // namespace r7n::bench
