#include "bench/soak_macros.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "bench/soak_script.h"
#include "testing/program_harness.h"

namespace r7n::bench {
namespace {

constexpr std::int64_t kKeyMs = 1000;
const KeyCode kReleaseKey = "r";

// What the program sent module A for one function key of the soak's file.
struct Played {
  std::string heard;
  std::vector<std::int64_t> sent_us;  // when each byte went to the transmitter
  std::size_t external_runs = 0;
};

Played PlayOnModuleA(const SoakMacro& macro) {
  testing::HarnessOptions options;
  options.chassis.base1.modules[0] = sim::ModuleKind::kSilent;
  testing::ProgramHarness h(options);
  std::ofstream(h.Dir() / "R7n_Uart.cfg", std::ios::binary) << SoakConfigText();
  h.KeyAt(100, "a");
  h.KeyAt(kKeyMs, macro.key);
  if (const std::int64_t after_us = SoakScript::ReleaseAfterUs(macro); after_us != 0) {
    h.KeyAt(kKeyMs + after_us / 1000, kReleaseKey);
  }
  h.KeyAt(8000, KeyShiftF2);
  h.KeyAt(8500, "q");
  h.Run();
  Played played;
  played.heard = h.Chassis().Base(1).Line(sim::Device::kModuleA).ToDevice();
  played.external_runs = h.Shell().Commands().size();
  std::uint8_t index = 0;
  for (const PortRecorder::Access& a : h.Recorder().Trace()) {
    if (a.write && a.port == 0x311) index = a.value;
    if (a.write && a.port == 0x310 && index == 0x32) played.sent_us.push_back(a.time_us);
  }
  return played;
}

std::string KeyName(const KeyCode& key) {
  char name[16];
  std::snprintf(name, sizeof name, "Ext%02X",
                static_cast<unsigned>(static_cast<std::uint8_t>(key[1])));
  return name;
}

std::string ParamName(const ::testing::TestParamInfo<SoakMacro>& param_info) {
  return KeyName(param_info.param.key);
}

std::int64_t SpanUs(const Played& played) {
  // From the key to the end of the pause after the last byte.
  return played.sent_us.back() + 10'000 - kKeyMs * 1000;
}

class FlowingMacroTest : public ::testing::TestWithParam<SoakMacro> {};

TEST_P(FlowingMacroTest, SendsWhatTheSoakExpectsAndSoonEnough) {
  const SoakMacro& macro = GetParam();
  const Played played = PlayOnModuleA(macro);
  EXPECT_EQ(played.heard, macro.sends);
  EXPECT_EQ(played.external_runs, macro.external ? 1u : 0u);
  if (!played.sent_us.empty()) {
    EXPECT_LE(SpanUs(played), SoakScript::kFlowingKeyUs);
  }
}

INSTANTIATE_TEST_SUITE_P(Keys, FlowingMacroTest, ::testing::ValuesIn(FlowingMacros()), ParamName);

class WaitingMacroTest : public ::testing::TestWithParam<SoakMacro> {};

// The far end is quiet for BusyUs after such a key; if the macro took
// longer, bytes would pile up in the receive FIFO unread.
TEST_P(WaitingMacroTest, SendsWhatTheSoakExpectsWithinItsQuietTime) {
  const SoakMacro& macro = GetParam();
  const bool released = SoakScript::ReleaseAfterUs(macro) != 0;
  const Played played = PlayOnModuleA(macro);
  EXPECT_EQ(played.heard, macro.sends + (released ? kReleaseKey : ""));
  ASSERT_FALSE(played.sent_us.empty());
  EXPECT_LE(SpanUs(played), SoakScript::BusyUs(macro, released ? kReleaseKey : ""));
  if (macro.wait == MacroWait::kFixed) {
    EXPECT_GE(SpanUs(played), macro.wait_ms * 1000);
  }
  if (macro.wait == MacroWait::kCutShort) {
    EXPECT_LT(SpanUs(played), macro.wait_ms * 1000);
  }
  if (macro.wait == MacroWait::kUntilKey) {
    EXPECT_GE(played.sent_us.back(), kKeyMs * 1000 + SoakScript::ReleaseAfterUs(macro));
  }
}

INSTANTIATE_TEST_SUITE_P(Keys, WaitingMacroTest, ::testing::ValuesIn(WaitingMacros()), ParamName);

}  // namespace
}  // namespace r7n::bench
