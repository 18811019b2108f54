#include "platform/port_guard.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "platform/refusal_report.h"

namespace r7n {
namespace {

// Remembers what reached it, and answers reads with the port's low byte.
class FakePorts : public PortIo {
 public:
  void Out(std::uint16_t port, std::uint8_t value) override { writes.push_back({port, value}); }
  std::uint8_t In(std::uint16_t port) override {
    reads.push_back(port);
    return static_cast<std::uint8_t>(port & 0xFF);
  }
  struct Write {
    std::uint16_t port;
    std::uint8_t value;
  };
  std::vector<Write> writes;
  std::vector<std::uint16_t> reads;
};

struct PortCase {
  std::uint16_t port;
  bool allowed;
  friend void PrintTo(const PortCase& c, std::ostream* os) { *os << "port_" << std::hex << c.port; }
};

class PortGuardTest : public ::testing::TestWithParam<PortCase> {};

TEST_P(PortGuardTest, PassesOnlyChassisPorts) {
  const PortCase c = GetParam();
  FakePorts inner;
  PortGuard guard(inner);

  guard.Out(c.port, 0x5A);
  const std::uint8_t read = guard.In(c.port);

  EXPECT_EQ(PortGuard::Allowed(c.port), c.allowed);
  if (c.allowed) {
    ASSERT_EQ(inner.writes.size(), 1u);
    EXPECT_EQ(inner.writes[0].port, c.port);
    EXPECT_EQ(inner.writes[0].value, 0x5A);
    EXPECT_EQ(read, c.port & 0xFF);
    EXPECT_TRUE(guard.Refusals().empty());
  } else {
    EXPECT_TRUE(inner.writes.empty()) << "a refused write must never reach the ports";
    EXPECT_TRUE(inner.reads.empty()) << "a refused read must never reach the ports";
    EXPECT_EQ(read, 0xFF);
    ASSERT_EQ(guard.Refusals().size(), 2u);
    EXPECT_TRUE(guard.Refusals()[0].write);
    EXPECT_EQ(guard.Refusals()[0].value, 0x5A);
    EXPECT_FALSE(guard.Refusals()[1].write);
    EXPECT_EQ(guard.Refusals()[1].port, c.port);
  }
}

INSTANTIATE_TEST_SUITE_P(Ports, PortGuardTest,
                         ::testing::Values(PortCase{0x2A4, true}, PortCase{0x310, true},
                                           PortCase{0x311, true}, PortCase{0x312, true},
                                           PortCase{0x313, true}, PortCase{0x2A3, false},
                                           PortCase{0x2A5, false}, PortCase{0x30F, false},
                                           PortCase{0x314, false}, PortCase{0x000, false},
                                           PortCase{0x080, false}, PortCase{0xFFFF, false}));

TEST(PortGuard, OfAllPortsOnlyTheSixChassisPortsReachTheBus) {
  FakePorts inner;
  PortGuard guard(inner);
  for (std::uint32_t port = 0; port <= 0xFFFF; ++port) {
    guard.Out(static_cast<std::uint16_t>(port), 0xA5);
    guard.In(static_cast<std::uint16_t>(port));
  }
  std::vector<std::uint16_t> written;
  for (const auto& w : inner.writes) written.push_back(w.port);
  const std::vector<std::uint16_t> chassis{0x2A4, 0x310, 0x311, 0x312, 0x313};
  EXPECT_EQ(written, chassis);
  EXPECT_EQ(inner.reads, chassis);
  EXPECT_EQ(guard.RefusedCount(), 2u * (0x10000 - chassis.size()));
}

// What the report prints, read back from a temporary file.
std::string Report(const PortGuard& guard) {
  std::FILE* out = std::tmpfile();
  if (out == nullptr) return "no temporary file";
  ReportRefusals(guard, "r7n_uart", out);
  std::rewind(out);
  std::string text;
  for (int c = std::fgetc(out); c != EOF; c = std::fgetc(out)) text += static_cast<char>(c);
  std::fclose(out);
  return text;
}

TEST(PortGuard, ReportListsTheRefusedAccessesAndCountsThemAll) {
  FakePorts inner;
  PortGuard guard(inner);
  EXPECT_EQ(Report(guard), "") << "nothing refused, nothing said";

  guard.Out(0x3F8, 0x41);
  guard.In(0x80);
  EXPECT_EQ(Report(guard),
            "r7n_uart: refused 2 access(es) outside ports 0x2A4 and 0x310-0x313:\n"
            "  write 0x41 to port 0x3F8\n"
            "  read from port 0x080\n");

  for (int i = 0; i < 10'000; ++i) guard.Out(0x80, 0);
  EXPECT_EQ(guard.Refusals().size(), PortGuard::kMaxKept);
  EXPECT_EQ(guard.RefusedCount(), 10'002u);
  const std::string report = Report(guard);
  EXPECT_EQ(
      report.substr(0, report.find('\n')),
      "r7n_uart: refused 10002 access(es) outside ports 0x2A4 and 0x310-0x313; the first 64:");
}

}  // namespace
}  // namespace r7n
