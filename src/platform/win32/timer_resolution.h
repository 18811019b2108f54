#pragma once

namespace r7n {

// While it lives, the system timer runs with the given period, so that a
// sleep of 10 ms lasts about 10 ms rather than a whole default tick of
// 15.6 ms: the program's polling loops (10 ms key waits, 30 ms terminal
// rounds) keep their pace. The previous period comes back when it ends.
class TimerResolution {
 public:
  explicit TimerResolution(unsigned period_ms = 1);
  ~TimerResolution();
  TimerResolution(const TimerResolution&) = delete;
  TimerResolution& operator=(const TimerResolution&) = delete;

  // False when the system refused the period; nothing is then undone.
  bool Raised() const { return raised_; }

 private:
  unsigned period_ms_;
  bool raised_;
};

}  // namespace r7n
