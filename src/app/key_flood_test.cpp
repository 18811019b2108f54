// Keys that pile up while the program is busy: the console keeps the newest
// 511 of them, drops the older ones, and every kept key reaches the program
// in the order it was typed.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "console/key_queue.h"
#include "testing/program_harness.h"

namespace r7n {
namespace {

using testing::HarnessOptions;
using testing::ProgramHarness;

constexpr std::size_t kFloodKeys = 10'000;

// A silent module in slot A answers nothing, so what reaches it over the line
// is exactly what the terminal sent.
HarnessOptions SilentModuleA() {
  HarnessOptions options;
  options.chassis.base1.modules[0] = sim::ModuleKind::kSilent;
  return options;
}

const std::string& Heard(ProgramHarness& h) {
  return h.Chassis().Base(1).Line(sim::Device::kModuleA).ToDevice();
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Printable keys in no pattern, so that a key kept out of place shows.
std::string RandomTyping(std::size_t count) {
  std::mt19937 random(511);
  std::uniform_int_distribution<int> printable(0x20, 0x7E);
  std::string keys(count, ' ');
  for (char& c : keys) c = static_cast<char>(printable(random));
  return keys;
}

struct FloodCase {
  std::string name;
  std::string macro;       // line of macro F1, which keeps the terminal busy
  std::string sent_first;  // what the macro itself sends
  std::size_t answered;    // kept keys that answer a message instead of being sent
  friend void PrintTo(const FloodCase& c, std::ostream* os) { *os << c.name; }
};

class KeyFloodTest : public ::testing::TestWithParam<FloodCase> {};

TEST_P(KeyFloodTest, NewestKeysAreKeptAndReachTheProgramInOrder) {
  const FloodCase& c = GetParam();
  ProgramHarness h(SilentModuleA());
  std::ofstream(h.Dir() / "R7n_Uart.cfg", std::ios::binary) << "#F1 " << c.macro << "\n";
  h.KeyAt(100, "a");
  h.KeyAt(300, KeyF1);
  const std::string typed = RandomTyping(kFloodKeys);
  for (const char key : typed) h.KeyAt(500, std::string(1, key));
  // Long after the kept keys have all been sent, one per pass.
  h.KeyAt(40'000, KeyShiftF2);
  h.KeyAt(40'500, "q");
  const auto outcome = h.Run();
  const std::string kept = typed.substr(typed.size() - KeyQueue::kCapacity);
  EXPECT_EQ(Heard(h), c.sent_first + kept.substr(c.answered));
  EXPECT_EQ(outcome.exit_status, 0);
}

INSTANTIATE_TEST_SUITE_P(
    BusyTerminal, KeyFloodTest,
    ::testing::Values(FloodCase{"DuringAPacedMacro", "\"" + std::string(200, 'm') + "\"",
                                std::string(200, 'm'), 0},
                      FloodCase{"DuringAMacroWait", "W5000 \"w\"", "w", 0},
                      // The error message takes the oldest kept key as its answer.
                      FloodCase{"DuringAMessage", "x", "", 1}),
    [](const auto& param_info) { return param_info.param.name; });

TEST(KeyFlood, KeysTypedAheadDuringHeavyOutputLoseNoReceivedByte) {
  ProgramHarness h(SilentModuleA());
  h.KeyAt(100, "a");
  std::string stream;
  for (int i = 0; stream.size() < 40'000; ++i) {
    stream += "busy module line " + std::to_string(i) + "\r\n";
  }
  h.ProbeAt(200, [&] { h.Chassis().MutableBase(1).Inject(sim::Device::kModuleA, stream); });
  // Bursts of keys a millisecond apart: each one still waits while the one
  // before it is sent.
  std::string typed;
  for (std::int64_t burst = 0; burst < 6; ++burst) {
    for (std::int64_t i = 0; i < 5; ++i) {
      const std::string key(1, static_cast<char>('a' + burst * 5 + i));
      h.KeyAt(500 + burst * 500 + i, key);
      typed += key;
    }
  }
  h.KeyAt(5000, KeyShiftF2);
  h.KeyAt(5500, "q");
  h.Run();
  EXPECT_EQ(h.Chassis().Base(1).Uart().RxBytesLost(), 0);
  EXPECT_TRUE(ReadFile(h.Dir() / "Term.txt") == stream) << "the capture differs from the stream";
  EXPECT_EQ(Heard(h), typed);
}

}  // namespace
}  // namespace r7n
