#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "terminal/config_file.h"
#include "testing/program_harness.h"

namespace r7n {
namespace {

using testing::ProgramHarness;

void WriteConfig(const ProgramHarness& h, std::string_view bytes) {
  std::ofstream out(h.Dir() / kConfigFileName, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void RemoveConfig(const ProgramHarness& h) {
  std::filesystem::remove(h.Dir() / kConfigFileName);
}

TEST(ConfigAtStartUp, MissingFileIsReportedBeforeTheMenu) {
  ProgramHarness h;
  RemoveConfig(h);
  std::string message, title;
  Cell message_cell;
  h.ProbeAt(50, [&] {
    message = h.Row(24);
    message_cell = h.CellAt(24, 3);
    title = h.Row(1);
  });
  h.KeyAt(100, "x");
  h.KeyAt(200, "q");
  const auto outcome = h.Run();
  ASSERT_TRUE(outcome.exit_status.has_value());
  EXPECT_EQ(*outcome.exit_status, 0);
  EXPECT_EQ(message, "  Config file not found: R7n_Uart.cfg");
  EXPECT_EQ(message_cell, (Cell{'C', 15, 12}));
  EXPECT_EQ(title, "") << "the menu comes after the message";
  EXPECT_EQ(h.Row(1), "R7N UART:");
  EXPECT_EQ(h.Row(24), "");
  ASSERT_EQ(h.Recorder().Trace().size(), 1u);
  EXPECT_GE(h.Recorder().Trace()[0].time_us, 100'000) << "the bus is released after the message";
}

TEST(ConfigAtStartUp, PresentFileShowsNoMessage) {
  ProgramHarness h;
  WriteConfig(h, "' service macros\r\n#F1 root\r\n#COMMODE 9600\r\n#HELP F1 = login\r\n");
  std::string message, title;
  h.ProbeAt(5, [&] {
    message = h.Row(24);
    title = h.Row(1);
  });
  h.KeyAt(10, "q");
  const auto outcome = h.Run();
  ASSERT_TRUE(outcome.exit_status.has_value());
  EXPECT_EQ(*outcome.exit_status, 0);
  EXPECT_EQ(message, "");
  EXPECT_EQ(title, "R7N UART:");
}

TEST(ConfigAtStartUp, UnknownKeywordIsReportedAndStartUpGoesOn) {
  ProgramHarness h;
  WriteConfig(h, "#F1 root\n#XYZ\n");
  std::string message;
  h.ProbeAt(50, [&] { message = h.Row(24); });
  h.KeyAt(100, "x");
  h.KeyAt(200, "q");
  const auto outcome = h.Run();
  ASSERT_TRUE(outcome.exit_status.has_value());
  EXPECT_EQ(message, "  Non Valid Command: #XYZ");
  EXPECT_EQ(h.Row(1), "R7N UART:");
}

TEST(ConfigAtStartUp, HomeAtTheMessageEndsTheProgram) {
  ProgramHarness h;
  RemoveConfig(h);
  h.KeyAt(100, KeyHome);
  const auto outcome = h.Run();
  ASSERT_TRUE(outcome.exit_status.has_value());
  EXPECT_EQ(*outcome.exit_status, 0);
  EXPECT_EQ(h.Row(1), "");
  EXPECT_EQ(h.Row(24), "");
  EXPECT_TRUE(h.Recorder().Trace().empty()) << "the program ended before releasing the bus";
}

}  // namespace
}  // namespace r7n
