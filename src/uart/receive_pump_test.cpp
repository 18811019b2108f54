#include "uart/receive_pump.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "platform/bus_paced_port_io.h"
#include "platform/real_clock.h"
#include "sim/chassis.h"
#include "uart/uart_transfer.h"

namespace r7n {
namespace {

// A host that only pauses: nothing here is shown to anyone.
class SleepingHost : public UartHost {
 public:
  explicit SleepingHost(Clock& clock) : clock_(clock) {}
  void TransmitWaitFailed(std::string_view /*message*/) override { ++failures; }
  void ReceiveFailed(std::string_view /*message*/) override { ++failures; }
  void PrintLine(std::string_view /*text*/) override {}
  void Pause(int ms, const PauseLook& /*look*/) override { clock_.SleepMs(ms); }
  int failures = 0;

 private:
  Clock& clock_;
};

struct ReaderCase {
  const char* name;
  bool reader;
};

class ReaderThreadTest : public ::testing::TestWithParam<ReaderCase> {};

// On the real clock a module talks while the program's own thread is away
// for far longer than the receive FIFO lasts, and meanwhile sends a run of
// bytes of its own: the reader keeps every received byte, in order, and its
// drains leave the index where the send's run of data writes needs it.
TEST_P(ReaderThreadTest, KeepsTheFifoDrainedWhileTheProgramIsAway) {
  constexpr int kBaud = 19'200;  // a 128-byte FIFO lasts 67 ms
  RealClock clock;
  sim::ChassisConfig config;
  config.line_baud = kBaud;
  config.base1.modules[0] = sim::ModuleKind::kSilent;  // it hears the bytes, and keeps quiet
  sim::Chassis chassis(clock, config);
  BusPacedPortIo bus(chassis, clock);
  SleepingHost host(clock);
  UartLink link(bus, host);
  link.SetBaudRate(kBaud);
  link.UartSelChan(1);
  ReceivePump pump(link, clock, host);
  UartTransfer uart(link, pump, host);
  pump.UseReaderThread(GetParam().reader);

  std::string talk;
  for (int i = 0; talk.size() < 600; ++i) talk += "line " + std::to_string(i) + "\r\n";
  const std::string typed(200, 'k');
  {
    const ListeningScope listening(pump, link.ChanAdr(), nullptr);
    chassis.CatchUp();
    {
      const auto hold = chassis.Hold();
      chassis.MutableBase(1).Inject(sim::Device::kModuleA, talk);
    }
    uart.UartSndStr(link.ChanAdr(), typed);
    clock.SleepMs(static_cast<int>(talk.size()) * 10 * 1000 / kBaud +
                  100);  // the whole talk, and then some
  }
  link.DrainReceiver(link.ChanAdr());
  const std::string received = link.TakeReserved(link.ChanAdr(), talk.size() + 1);
  chassis.CatchUp();
  const auto hold = chassis.Hold();
  EXPECT_EQ(chassis.Base(1).Line(sim::Device::kModuleA).ToDevice(), typed);
  if (GetParam().reader) {
    EXPECT_EQ(received, talk);
    EXPECT_EQ(chassis.Base(1).Uart().RxBytesLost(), 0);
  } else {
    EXPECT_LT(received.size(), talk.size());
    EXPECT_GT(chassis.Base(1).Uart().RxBytesLost(), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Ways, ReaderThreadTest,
                         ::testing::Values(ReaderCase{"ReaderThread", true},
                                           ReaderCase{"ProgramThreadOnly", false}),
                         [](const ::testing::TestParamInfo<ReaderCase>& c) {
                           return std::string(c.param.name);
                         });

}  // namespace
}  // namespace r7n
