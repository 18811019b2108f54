#include "testing/headless_console.h"

#include <utility>

namespace r7n::testing {

HeadlessConsole::HeadlessConsole(Clock& clock, WindowSize size) : clock_(clock), size_(size) {
  shown_.rows = size.rows;
  shown_.cols = size.cols;
  shown_.cells.resize(static_cast<std::size_t>(size.rows * size.cols));
}

void HeadlessConsole::ScheduleKey(std::int64_t at_us, KeyCode key) {
  keys_.emplace(at_us, std::move(key));
}

void HeadlessConsole::ScheduleProbe(std::int64_t at_us, std::function<void()> probe) {
  probes_.emplace(at_us, std::move(probe));
}

void HeadlessConsole::Show(const ScreenImage& image) {
  shown_ = image;
  ++show_count_;
}

void HeadlessConsole::PollKeys(std::vector<std::string>& keys) {
  const std::int64_t now = clock_.NowUs();
  RunDueProbes(now);
  while (!keys_.empty() && keys_.begin()->first <= now) {
    keys.push_back(std::move(keys_.begin()->second));
    keys_.erase(keys_.begin());
  }
}

void HeadlessConsole::Beep(int /*hz*/, int /*ms*/) {
  beep_times_.push_back(clock_.NowUs());
}

void HeadlessConsole::RunDueProbes(std::int64_t now) {
  while (!probes_.empty() && probes_.begin()->first <= now) {
    auto probe = std::move(probes_.begin()->second);
    probes_.erase(probes_.begin());
    probe();
  }
}

}  // namespace r7n::testing
