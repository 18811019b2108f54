#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "console/key_queue.h"
#include "console/screen_model.h"
#include "keys/key_code.h"
#include "platform/clock.h"
#include "platform/console_device.h"

namespace r7n {

// The console operations every screen of the program is drawn with. Output
// goes to the screen model; the device shows it whenever the program pauses
// or reads a key, which is where an operator can see it.
class Console {
 public:
  static constexpr int kBeepHz = 1000;
  static constexpr int kBeepMs = 250;

  Console(ConsoleDevice& device, Clock& clock);

  void ConClear();
  // row, col: 1-based, 0 keeps the coordinate; visibility 0 hide, 1 show,
  // -1 leave as it is.
  void ConLocate(int row, int col, int visibility);
  int ConCsrRow() const { return screen_.CursorRow(); }
  int ConCsrCol() const { return screen_.CursorCol(); }
  // keep: bit 0 keeps the foreground, bit 1 the background. Returns the colours
  // before the call, foreground in the low 16 bits, background in the high.
  std::uint32_t ConColor(int fg, int bg, int keep);
  void ConPrint(std::string_view text, bool line_end);
  KeyCode ConKey();
  KeyCode WaitKey();
  void ConSleep(int ms);
  // What a pause does while it runs: called when it starts and after every
  // slice, it returns how long the next slice may last in microseconds (0:
  // call again at once; kEndPause: the pause ends now).
  using PausePoll = std::function<std::int64_t()>;
  static constexpr std::int64_t kEndPause = -1;
  // ConSleep's steps and key checks, with poll() run all along the pause.
  void ConSleepPolling(int ms, const PausePoll& poll);
  void ConSleepPlain(int ms);
  void ConBeep();
  // The key checks that ConSleep makes, for pauses taken in slices elsewhere:
  // whether a key arrived since the last key read or check, and whether any
  // key waits at all. Neither takes the key off the queue.
  bool ConKeyArrived() { return KeyArrivedSinceCheck(); }
  bool ConKeyWaiting();

  // Shows the screen on the device if it changed since it was last shown.
  void Present();
  // Whether the next key read will show the screen: it changed, and the last
  // showing is long enough ago. A key read shows a changing screen at most
  // every kPresentIntervalUs, so that a far end that never pauses does not
  // spend the program's time on drawing; every pause shows it at once.
  bool PresentDue();
  static constexpr std::int64_t kPresentIntervalUs = 50'000;
  const ScreenModel& Screen() const { return screen_; }
  Clock& GetClock() { return clock_; }

 private:
  static constexpr int kSliceMs = 50;
  static constexpr std::int64_t kUsPerMs = 1000;
  static constexpr int kWaitKeyTickMs = 10;

  // Sleeps until end_us, in the slices poll asks for (one slice without it);
  // false when the poll ended the pause.
  bool SleepUntil(std::int64_t end_us, const PausePoll& poll);
  // Moves the device's waiting keys into the queue.
  void CollectKeys();
  // True when a key arrived since the last key read or check.
  bool KeyArrivedSinceCheck();

  ConsoleDevice& device_;
  Clock& clock_;
  ScreenModel screen_;
  KeyQueue keys_;
  std::vector<KeyCode> incoming_;
  bool key_arrived_ = false;
  std::uint64_t shown_revision_ = 0;
  bool shown_once_ = false;
  std::int64_t shown_at_us_ = 0;
};

}  // namespace r7n
