#include "platform/bus_paced_port_io.h"

#include <gtest/gtest.h>

#include <vector>

namespace r7n {
namespace {

// A clock that moves a quarter microsecond each time it is read.
class CreepingClock : public Clock {
 public:
  std::int64_t NowUs() override { return (quarters_++) / 4; }
  void SleepMs(int) override {}

 private:
  std::int64_t quarters_ = 0;
};

class TimedPorts : public PortIo {
 public:
  explicit TimedPorts(Clock& clock) : clock_(clock) {}
  void Out(std::uint16_t, std::uint8_t) override { times.push_back(clock_.NowUs()); }
  std::uint8_t In(std::uint16_t) override {
    times.push_back(clock_.NowUs());
    return 0x5A;
  }
  std::vector<std::int64_t> times;

 private:
  Clock& clock_;
};

TEST(BusPacedPortIo, EveryAccessGetsItsMicrosecond) {
  CreepingClock clock;
  TimedPorts inner(clock);
  BusPacedPortIo paced(inner, clock);
  for (int i = 0; i < 50; ++i) {
    paced.Out(0x310, 1);
    EXPECT_EQ(paced.In(0x310), 0x5A);
  }
  ASSERT_EQ(inner.times.size(), 100u);
  for (std::size_t i = 1; i < inner.times.size(); ++i) {
    EXPECT_GE(inner.times[i] - inner.times[i - 1], 1) << "access " << i;
  }
}

}  // namespace
}  // namespace r7n
