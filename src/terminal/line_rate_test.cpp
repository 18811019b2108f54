// The terminal at the top of the line rates the port path can carry: a module
// printing without a pause at 2,000,000 bit/s, keys typed on the quiet line
// and during the flood, receive FIFOs from small to deep.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "testing/program_harness.h"
#include "uart/uart_registers.h"

namespace r7n {
namespace {

using testing::HarnessOptions;
using testing::ProgramHarness;

constexpr int kBaud = 2'000'000;
constexpr std::int64_t kMs = 1000;
constexpr std::int64_t kStreamAtMs = 300;
constexpr std::int64_t kStreamBytes = 120'000;  // 0.6 s at 2,000,000 bit/s
constexpr std::int64_t kKeyToWireBoundUs = 10 * kMs;

std::string TextLines(std::int64_t bytes) {
  std::string text;
  for (int line = 0; static_cast<std::int64_t>(text.size()) < bytes; ++line) {
    text += "line " + std::to_string(line) + " of a module that never pauses\r\n";
  }
  text.resize(static_cast<std::size_t>(bytes));
  return text;
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// When each Ctrl-C (the byte Ctrl-Z sends) was written to the transmit register.
std::vector<std::int64_t> InterruptSendTimes(ProgramHarness& h) {
  std::vector<std::int64_t> times;
  std::uint8_t index = 0;
  for (const auto& access : h.Recorder().Trace()) {
    if (!access.write) continue;
    if (access.port == kBase1Port + 1) index = access.value;
    if (access.port == kBase1Port && index == kUartRegBase + kUartTxDat && access.value == 0x03) {
      times.push_back(access.time_us);
    }
  }
  return times;
}

class LineRateTest : public ::testing::TestWithParam<int> {};

TEST_P(LineRateTest, NothingOverrunsAndKeysReachTheWireWithinTenMilliseconds) {
  HarnessOptions options;
  options.chassis.base1.modules[0] = sim::ModuleKind::kSilent;
  options.chassis.line_baud = kBaud;
  options.chassis.rx_fifo_depth = GetParam();
  ProgramHarness h(options);
  std::ofstream(h.Dir() / "R7n_Uart.cfg", std::ios::binary) << "#COMMODE " << kBaud << "\n";
  const std::string stream = TextLines(kStreamBytes);
  h.KeyAt(100, "a");
  // Keys on the quiet line, during the flood, and after it.
  const std::vector<std::int64_t> key_ms = {200, 250, 400, 577, 801, 1200};
  for (const std::int64_t at : key_ms) h.KeyAt(at, "\x1a");
  h.ProbeAt(kStreamAtMs, [&] { h.Chassis().MutableBase(1).Inject(sim::Device::kModuleA, stream); });
  h.KeyAt(1500, KeyShiftF2);
  h.KeyAt(2000, "q");
  h.Recorder().SetEnabled(true);
  EXPECT_EQ(h.Run().exit_status, 0);

  EXPECT_EQ(h.Chassis().Base(1).Uart().RxBytesLost(), 0);
  EXPECT_TRUE(ReadFile(h.Dir() / "Term.txt") == stream) << "Term.txt holds the stream whole";
  const std::vector<std::int64_t> sends = InterruptSendTimes(h);
  ASSERT_EQ(sends.size(), key_ms.size());
  for (std::size_t i = 0; i < sends.size(); ++i) {
    EXPECT_LE(sends[i] - key_ms[i] * kMs, kKeyToWireBoundUs) << "key at " << key_ms[i] << " ms";
  }
}

INSTANTIATE_TEST_SUITE_P(FifoDepths, LineRateTest, ::testing::Values(16, 128, 1024),
                         [](const ::testing::TestParamInfo<int>& param) {
                           return "fifo_" + std::to_string(param.param);
                         });

}  // namespace
}  // namespace r7n
