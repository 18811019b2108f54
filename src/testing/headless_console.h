#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "keys/key_code.h"
#include "platform/clock.h"
#include "platform/console_device.h"

namespace r7n::testing {

// A console for tests: it keeps the last image shown and hands out key
// presses at the times of a schedule, measured on the clock it is given.
class HeadlessConsole : public ConsoleDevice {
 public:
  explicit HeadlessConsole(Clock& clock, WindowSize size = {25, 80});

  // The key becomes available at virtual time at_us (microseconds).
  void ScheduleKey(std::int64_t at_us, KeyCode key);
  // Runs probe the first time the program polls the keyboard at or after at_us;
  // lets a test look at the chassis or the screen in the middle of an action.
  void ScheduleProbe(std::int64_t at_us, std::function<void()> probe);

  WindowSize Size() const override { return size_; }
  void Show(const ScreenImage& image) override;
  void PollKeys(std::vector<std::string>& keys) override;
  void Beep(int hz, int ms) override;

  const ScreenImage& Shown() const { return shown_; }
  int ShowCount() const { return show_count_; }
  const std::vector<std::int64_t>& BeepTimes() const { return beep_times_; }
  std::size_t KeysLeft() const { return keys_.size(); }

 private:
  void RunDueProbes(std::int64_t now);

  Clock& clock_;
  WindowSize size_;
  std::multimap<std::int64_t, KeyCode> keys_;
  std::multimap<std::int64_t, std::function<void()>> probes_;
  ScreenImage shown_;
  int show_count_ = 0;
  std::vector<std::int64_t> beep_times_;
};

}  // namespace r7n::testing
