// The macro player: one macro line played on base unit 1's line to its ZCP
// controller, on the simulated chassis and the virtual clock, so waits cost
// no real time. The operator presses a key every 100 ms of virtual time (or
// less often, see kMostKeys); it answers the command-error messages and ends
// the long waits.
//
// Input: one byte of choices (bits 0-4 the macro number, bit 5 a second
// line, bits 6-7 both set for a macro number outside the table), then the
// macro line (at most kMaxLine bytes are used).
//
// What must hold: the ZCP controller hears exactly the bytes the macro text
// stands for, each one paced 10 ms after the one before; every command error
// asks for one key; the virtual time lies between what the sends and short
// waits take and that plus what the keys can cost; a macro of two lines
// starts the external program and sends nothing; nothing throws.

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "console/program_exit.h"
#include "fuzz/fuzz_check.h"
#include "platform/virtual_clock.h"
#include "sim/base_unit.h"
#include "terminal/config_tables.h"
#include "terminal/macro_player.h"
#include "terminal/numeric_value.h"
#include "testing/chassis_rig.h"
#include "testing/fake_shell.h"

namespace r7n::fuzz {
namespace {

constexpr std::size_t kMaxLine = 256;
constexpr std::int64_t kUs = 1;
constexpr std::int64_t kMs = 1000 * kUs;
// The operator's keys come this often at the least; more seldom when the
// macro's messages and beeps would otherwise let more keys pile up than the
// key queue holds, which would drop some and spoil the count.
constexpr std::int64_t kKeyPeriod = 100 * kMs;
constexpr std::int64_t kMostKeys = 450;
constexpr std::int64_t kPace = ReceiveTiming::kSlowSendPauseMs * kMs;
// What one send may take beyond its pause: the status poll and the write.
constexpr std::int64_t kSendSlack = 1 * kMs;
// A long wait ends at the first 50 ms check after a key; a message at the
// first 10 ms read after one.
constexpr std::int64_t kLongWaitAfterKey = 50 * kMs + kMs;
constexpr std::int64_t kErrorAfterKey = 10 * kMs + kMs;
// The error message shows the command as it is, and a BEL in it sounds the
// console's tone each time.
constexpr std::int64_t kBeep = Console::kBeepMs * kMs;
constexpr std::uint16_t kIndexPort = kBase1Port + 1;
constexpr std::uint8_t kTxDataIndex = kUartRegBase + kUartTxDat;

// What the macro text stands for, read by the command table of the macro
// language: the bytes sent, the command errors, and the waits.
struct Expected {
  std::string sends;
  int errors = 0;
  int long_waits = 0;           // 100 ms or more, or -1: a key can end them
  std::int64_t short_wait = 0;  // 1 to 99 ms: slept exactly
  std::int64_t bells = 0;       // BEL bytes in the command
};

Expected Interpret(const std::string& command) {
  enum { kNormal, kQuoted, kCode, kWait, kAfterC, kAfterL } state = kNormal;
  Expected e;
  e.bells = std::count(command.begin(), command.end(), '\a');
  std::string number;
  for (const char c : command) {
    switch (state) {
      case kNormal:
        if (c == '"') {
          state = kQuoted;
        } else if (c == '$' || c == 'W' || c == 'w') {
          state = c == '$' ? kCode : kWait;
          number.clear();
        } else if (c == 'C' || c == 'c') {
          state = kAfterC;
        } else if (c == 'L' || c == 'l') {
          state = kAfterL;
        } else if (c == '\'') {
          return e;
        } else if (c != ' ') {
          ++e.errors;
        }
        break;
      case kQuoted:
        if (c == '"') {
          state = kNormal;
        } else {
          e.sends += c;
        }
        break;
      case kCode:
      case kWait:
        if (c != ' ') {
          number += c;
        } else if (state == kCode) {
          e.sends += static_cast<char>(NumericInt(number) & 0xFF);
          state = kNormal;
        } else {
          const std::int32_t ms = NumericInt(number);
          if (ms >= 100 || ms == -1) ++e.long_waits;
          if (ms >= 1 && ms <= 99) e.short_wait += ms * kMs;
          state = kNormal;
        }
        break;
      case kAfterC:
      case kAfterL:
        if (c == (state == kAfterC ? 'R' : 'F')) {
          e.sends += state == kAfterC ? '\r' : '\n';
        } else {
          ++e.errors;
        }
        state = kNormal;
        break;
    }
  }
  return e;
}

// When the operator's keys come, and the most time the macro can take with
// them: its sends and short waits, plus for each long wait and each message
// up to one key period and the check after it.
struct Timing {
  std::int64_t key_period = kKeyPeriod;
  std::int64_t most = 0;
};

Timing TimingFor(const Expected& e) {
  const std::int64_t fixed = static_cast<std::int64_t>(e.sends.size()) * (kPace + kSendSlack) +
                             e.short_wait + e.long_waits * kLongWaitAfterKey +
                             e.errors * (kErrorAfterKey + e.bells * kBeep) + kMs;
  const std::int64_t waits = e.long_waits + e.errors;
  Timing t;
  // most / key_period keys come in all: fixed / key_period + waits of them.
  t.key_period = std::max(kKeyPeriod, fixed / (kMostKeys - waits) + 1);
  t.most = fixed + waits * t.key_period;
  return t;
}

struct Sent {
  std::int64_t at_us;
  char byte;
};

// The bytes written to the transmit register, from the port trace.
std::vector<Sent> SentBytes(const PortRecorder& recorder) {
  std::vector<Sent> sent;
  std::uint8_t index = 0;
  for (const PortRecorder::Access& a : recorder.Trace()) {
    if (!a.write) continue;
    if (a.port == kIndexPort) {
      index = a.value;
    } else if (a.port == kBase1Port && index == kTxDataIndex) {
      sent.push_back({a.time_us, static_cast<char>(a.value)});
    }
  }
  return sent;
}

struct Choice {
  int macro = 1;
  bool two_lines = false;
  bool defined = true;
};

Choice ChoiceFrom(std::uint8_t b) {
  Choice c;
  c.two_lines = (b & 0x20) != 0;
  if ((b & 0xC0) == 0xC0) {
    c.macro = (b & 1) != 0 ? ConfigTables::kMacroCount + 1 : 0;
    c.defined = false;
  } else {
    c.macro = 1 + (b & 0x1F) % ConfigTables::kMacroCount;
  }
  return c;
}

class MacroRun {
 public:
  MacroRun() { rig_.Select(1, 0); }

  void Play(const Choice& choice, const std::string& line, const Timing& timing) {
    tables_.StoreMacroLine(choice.macro, 1, line);
    if (choice.two_lines) tables_.StoreMacroLine(choice.macro, 2, "\"second\"");
    const std::int64_t start = rig_.clock.NowUs();
    for (std::int64_t at = start + timing.key_period; at <= start + timing.most;
         at += timing.key_period) {
      rig_.device.ScheduleKey(at, "k");
      ++keys_scheduled_;
    }
    rig_.clock.SetLimitUs(start + timing.most);
    rig_.recorder.Clear();
    try {
      player_.MacroPlay(choice.macro);
    } catch (const VirtualTimeLimit&) {
      Violated("the macro took longer than its sends, waits and messages can take");
    } catch (const ProgramExit&) {
      Violated("playing a macro ended the program");
    }
    elapsed_ = rig_.clock.NowUs() - start;
    rig_.clock.SetLimitUs(VirtualClock::kNoLimit);
    // The last byte is on the wire for less than a millisecond.
    rig_.clock.AdvanceUs(2 * kMs);
    rig_.chassis.CatchUp();
  }

  // Keys the player took: those handed out minus those still waiting.
  int KeysTaken() {
    int waiting = 0;
    while (!rig_.con.ConKey().empty()) ++waiting;
    const auto handed_out = keys_scheduled_ - static_cast<int>(rig_.device.KeysLeft());
    return handed_out - waiting;
  }

  std::string Heard() const { return rig_.chassis.Base(1).Line(sim::Device::kZcp).ToDevice(); }
  std::vector<Sent> Sends() const { return SentBytes(rig_.recorder); }
  std::int64_t Elapsed() const { return elapsed_; }
  const std::vector<std::string>& Commands() const { return shell_.Commands(); }

 private:
  testing::ChassisRig rig_;
  ConfigTables tables_;
  testing::FakeShell shell_;
  MacroPlayer player_{tables_, rig_.uart, rig_.con, rig_.helpers, shell_};
  int keys_scheduled_ = 0;
  std::int64_t elapsed_ = 0;
};

void CheckOneLine(MacroRun& run, const Expected& e, const Timing& timing) {
  Require(run.Commands().empty(), "a one-line macro started the external program");
  Require(run.Heard() == e.sends, "the ZCP controller heard other bytes than the macro says");
  const std::vector<Sent> sent = run.Sends();
  Require(sent.size() == e.sends.size(), "another number of bytes written than the macro says");
  for (std::size_t i = 0; i < sent.size(); ++i) {
    Require(sent[i].byte == e.sends[i], "a byte written differs from the macro");
    if (i > 0)
      Require(sent[i].at_us - sent[i - 1].at_us >= kPace, "bytes sent less than 10 ms apart");
  }
  const std::int64_t least = static_cast<std::int64_t>(e.sends.size()) * kPace + e.short_wait;
  Require(run.Elapsed() >= least, "the macro took less time than its sends and short waits");
  Require(run.Elapsed() <= timing.most, "the macro took more time than it can");
  Require(run.KeysTaken() == e.errors, "not one key per command error");
}

}  // namespace
}  // namespace r7n::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace r7n::fuzz;
  if (size == 0) return 0;
  const Choice choice = ChoiceFrom(data[0]);
  const std::string line(AsText(data + 1, std::min(size - 1, kMaxLine)));
  const Expected expected = Interpret(line + ' ');

  const Timing timing = TimingFor(expected);
  MacroRun run;
  run.Play(choice, line, timing);
  if (!choice.defined) {
    Require(run.Heard().empty() && run.Commands().empty() && run.Elapsed() == 0,
            "a macro number outside the table did something");
  } else if (choice.two_lines) {
    Require(run.Commands() == std::vector<std::string>{"GP.EXE"},
            "a macro of two lines did not start the external program once");
    Require(run.Heard().empty(), "a macro of two lines sent bytes itself");
    Require(run.Elapsed() == 0, "a macro of two lines took time of its own");
  } else {
    CheckOneLine(run, expected, timing);
  }
  return 0;
}
