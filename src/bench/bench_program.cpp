#include "bench/bench_program.h"

#include <fstream>
#include <string>
#include <system_error>
#include <utility>

#include "app/program.h"
#include "platform/bus_paced_port_io.h"
#include "platform/real_clock.h"
#include "testing/bus_cost_port_io.h"

namespace r7n::bench {
namespace {

// Ctrl-Z in the terminal: the one byte every timed key sends.
constexpr std::uint8_t kKeyByte = 0x03;

std::unique_ptr<Clock> MakeClock(BenchClock clock) {
  if (clock == BenchClock::kVirtual) return std::make_unique<VirtualClock>();
  return std::make_unique<RealClock>();
}

std::unique_ptr<PortIo> MakeBus(VirtualClock* virtual_clock, PortIo& chassis, Clock& clock) {
  if (virtual_clock != nullptr) {
    return std::make_unique<testing::BusCostPortIo>(chassis, *virtual_clock);
  }
  return std::make_unique<BusPacedPortIo>(chassis, clock);
}

}  // namespace

const char* ClockName(BenchClock clock) {
  return clock == BenchClock::kVirtual ? "virtual" : "real";
}

BenchProgram::BenchProgram(BenchClock clock, const sim::ChassisConfig& chassis, int commode_baud)
    : clock_(MakeClock(clock)),
      virtual_clock_(dynamic_cast<VirtualClock*>(clock_.get())),
      origin_us_(clock_->NowUs()),
      chassis_(*clock_, chassis),
      bus_(MakeBus(virtual_clock_, chassis_, *clock_)),
      watch_(*bus_, *clock_, kKeyByte),
      guard_(watch_),
      console_(*clock_),
      start_dir_(std::filesystem::current_path()) {
  std::ofstream(dir_.Path() / "R7n_Uart.cfg") << "#COMMODE " << commode_baud << "\r\n";
}

BenchProgram::~BenchProgram() {
  // The program made its directory the working directory; leave it before
  // the directory goes.
  std::error_code ignored;
  std::filesystem::current_path(start_dir_, ignored);
}

void BenchProgram::KeyAt(std::int64_t at_ms, KeyCode key) {
  console_.ScheduleKey(ClockUs(at_ms), std::move(key));
}

void BenchProgram::ProbeAt(std::int64_t at_ms, std::function<void()> probe) {
  console_.ScheduleProbe(ClockUs(at_ms), std::move(probe));
}

std::int64_t BenchProgram::ElapsedMs() {
  return (clock_->NowUs() - origin_us_) / 1000;
}

bool BenchProgram::Run(std::int64_t limit_ms) {
  if (virtual_clock_ != nullptr) virtual_clock_->SetLimitUs(ClockUs(limit_ms));
  // On the real clock the program reads as the real programs do.
  PlatformServices platform{guard_, *clock_,     console_,
                            shell_, dir_.Path(), virtual_clock_ == nullptr};
  try {
    RunProgram(platform);
  } catch (const VirtualTimeLimit&) {
    return false;
  }
  return true;
}

}  // namespace r7n::bench
