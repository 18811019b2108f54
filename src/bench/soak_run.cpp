#include "bench/soak_run.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <system_error>

#include "app/program.h"
#include "platform/port_guard.h"
#include "platform/shell.h"
#include "platform/virtual_clock.h"
#include "sim/chassis.h"
#include "testing/bus_cost_port_io.h"
#include "testing/temp_dir.h"

namespace r7n::bench {
namespace {

constexpr std::int64_t kOpenUs = 100'000;
constexpr std::int64_t kFirstEpisodeUs = kUsPerSecond;
// The session ends a second before the day does, the script two seconds
// before that, so the last bytes and keys are through when it ends.
constexpr std::int64_t kCloseBeforeEndUs = kUsPerSecond;
constexpr std::int64_t kQuietBeforeCloseUs = 2 * kUsPerSecond;
constexpr std::int64_t kShortestRunUs = 10 * kUsPerSecond;
constexpr std::int64_t kTimeLimitMarginUs = 60 * kUsPerSecond;

// The external program of a two-line macro: it only counts.
class CountingShell : public Shell {
 public:
  int Run(const std::string& /*command*/) override {
    ++runs_;
    return 0;
  }
  std::uint64_t Runs() const { return runs_; }

 private:
  std::uint64_t runs_ = 0;
};

const sim::DeviceLine& ModuleLine(const sim::Chassis& chassis) {
  return chassis.Base(1).Line(sim::Device::kModuleA);
}

// The chassis' copies of the bytes that crossed module A's line and left
// base unit 1's UART: the memory they take, or their length.
std::uint64_t SimRecordCapacity(const sim::Chassis& chassis) {
  const sim::DeviceLine& line = ModuleLine(chassis);
  return line.ToDevice().capacity() + line.FromDevice().capacity() +
         chassis.Base(1).Uart().TransmittedBytes().capacity();
}

std::uint64_t SimRecordLength(const sim::Chassis& chassis) {
  const sim::DeviceLine& line = ModuleLine(chassis);
  return line.ToDevice().size() + line.FromDevice().size() +
         chassis.Base(1).Uart().TransmittedBytes().size();
}

// The memory samples of a run: one once the session is under way, one every
// interval, and one just before the session ends.
class Sampler {
 public:
  Sampler(const SoakOptions& options, std::int64_t end_us, const StreamingFarEnd& far_end,
          const sim::Chassis& chassis, std::vector<MemorySample>& samples)
      : on_sample_(options.on_sample),
        far_end_(far_end),
        chassis_(chassis),
        samples_(samples),
        start_(std::chrono::steady_clock::now()) {
    times_.push_back(kFirstEpisodeUs + kUsPerSecond);
    for (std::int64_t at = options.sample_every_us; at < end_us; at += options.sample_every_us) {
      if (at > times_.back()) times_.push_back(at);
    }
    times_.push_back(end_us);
    samples_.reserve(times_.size());
  }

  void Poll(std::int64_t now_us) {
    if (next_ >= times_.size() || now_us < times_[next_]) return;
    ++next_;
    MemorySample sample{now_us,
                        Seconds(),
                        far_end_.Figures().sent,
                        ReadMemoryStatus(),
                        HeapInUseBytes(),
                        SimRecordCapacity(chassis_)};
    samples_.push_back(sample);
    if (on_sample_) on_sample_(sample);
  }

  double Seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  }

 private:
  std::function<void(const MemorySample&)> on_sample_;
  const StreamingFarEnd& far_end_;
  const sim::Chassis& chassis_;
  std::vector<MemorySample>& samples_;
  std::chrono::steady_clock::time_point start_;
  std::vector<std::int64_t> times_;
  std::size_t next_ = 0;
};

sim::ChassisConfig SoakChassis() {
  sim::ChassisConfig config;
  // The far end stands in for module A; the module itself says nothing.
  config.base1.modules[0] = sim::ModuleKind::kSilent;
  // The session needs only base unit 1; the model of a second one would
  // cost as much time again at every port access.
  config.base2.fitted = false;
  return config;
}

// The program's working directory while it runs; the caller's again after.
class ProgramDir {
 public:
  ProgramDir() : before_(std::filesystem::current_path()) {
    std::ofstream(dir_.Path() / "R7n_Uart.cfg", std::ios::binary) << SoakConfigText();
  }
  ~ProgramDir() {
    std::error_code ignored;
    std::filesystem::current_path(before_, ignored);
  }
  ProgramDir(const ProgramDir&) = delete;
  ProgramDir& operator=(const ProgramDir&) = delete;
  const std::filesystem::path& Path() const { return dir_.Path(); }

 private:
  testing::TempDir dir_;
  std::filesystem::path before_;
};

void CompareOutputs(const SoakOptions& options, const ProgramDir& dir, const sim::Chassis& chassis,
                    const SoakScript& script, SoakFigures& figures) {
  ExpectedCapture capture(options.seed, figures.far_end.tokens);
  std::ifstream file(dir.Path() / "Term.txt", std::ios::binary);
  figures.capture = CompareStreams(
      [&](std::string& out, std::size_t max) { return capture.Read(out, max); }, FileSource(file));
  ExpectedKeyBytes keys(script);
  const std::string& heard = ModuleLine(chassis).ToDevice();
  figures.to_module = CompareStreams(
      [&](std::string& out, std::size_t max) { return keys.Read(out, max); }, TextSource(heard));
}

}  // namespace

SoakFigures RunSoak(const SoakOptions& options) {
  if (options.virtual_us < kShortestRunUs)
    throw std::invalid_argument("a soak lasts 10 s at least");
  const std::int64_t close_us = options.virtual_us - kCloseBeforeEndUs;
  const std::int64_t last_us = close_us - kQuietBeforeCloseUs;
  ProgramDir dir;
  VirtualClock clock;
  clock.SetLimitUs(options.virtual_us + kTimeLimitMarginUs);
  const sim::ChassisConfig config = SoakChassis();
  sim::Chassis chassis(clock, config);
  const SoakScript script(options.seed, kFirstEpisodeUs, last_us);
  StreamingFarEnd far_end(chassis, clock, script, options.seed, options.path, config.line_baud);
  testing::BusCostPortIo bus_cost(far_end, clock);
  PortGuard guard(bus_cost);
  SoakKeyboard keyboard(clock, script, kOpenUs, close_us);
  CountingShell shell;
  SoakFigures figures;
  Sampler sampler(options, close_us - kUsPerSecond / 2, far_end, chassis, figures.samples);
  keyboard.SetPollHook([&sampler](std::int64_t now_us) { sampler.Poll(now_us); });

  PlatformServices platform{guard, clock, keyboard, shell, dir.Path()};
  try {
    figures.exit_status = RunProgram(platform);
  } catch (const VirtualTimeLimit&) {
    figures.exit_status.reset();
  }
  figures.virtual_us = clock.NowUs();
  figures.real_seconds = sampler.Seconds();
  figures.far_end = far_end.Figures();
  figures.lost_in_uart = static_cast<std::uint64_t>(chassis.Base(1).Uart().RxBytesLost());
  figures.keyboard = keyboard.Figures();
  figures.external_runs = shell.Runs();
  figures.sim_record_bytes = SimRecordLength(chassis);
  const auto frame_ns = static_cast<double>(sim::FrameNsAtBaud(config.line_baud));
  figures.line_busy = static_cast<double>(figures.far_end.sent) * frame_ns /
                      (static_cast<double>(last_us - kFirstEpisodeUs) * 1000.0);
  CompareOutputs(options, dir, chassis, script, figures);
  return figures;
}

std::vector<std::string> SoakFaults(const SoakFigures& f) {
  std::vector<std::string> faults;
  auto fault_if = [&faults](bool bad, std::string text) {
    if (bad) faults.push_back(std::move(text));
  };
  fault_if(f.exit_status != 0, "the program did not end with status 0 on Q");
  fault_if(f.lost_in_uart != 0,
           std::to_string(f.lost_in_uart) + " bytes found the receive FIFO full");
  fault_if(f.far_end.unheard != 0,
           std::to_string(f.far_end.unheard) + " bytes arrived while the line was not connected");
  fault_if(!f.capture.Equal(), "Term.txt differs from the stream's kept bytes at offset " +
                                   std::to_string(f.capture.first_difference.value_or(0)));
  fault_if(!f.to_module.Equal(), "module A heard other bytes than the keys sent, from offset " +
                                     std::to_string(f.to_module.first_difference.value_or(0)));
  fault_if(f.external_runs != f.keyboard.external_macros,
           "the external program ran " + std::to_string(f.external_runs) + " times for " +
               std::to_string(f.keyboard.external_macros) + " two-line macros");
  fault_if(f.keyboard.beeps != f.far_end.bells, std::to_string(f.keyboard.beeps) + " tones for " +
                                                    std::to_string(f.far_end.bells) + " BELs");
  return faults;
}

}  // namespace r7n::bench
