#include "console/console.h"

#include <algorithm>

namespace r7n {

Console::Console(ConsoleDevice& device, Clock& clock)
    : device_(device), clock_(clock), screen_(device.Size().rows, device.Size().cols) {}

void Console::ConClear() {
  screen_.Clear();
}

void Console::ConLocate(int row, int col, int visibility) {
  screen_.Locate(row, col);
  if (visibility == 0 || visibility == 1) screen_.SetCursorVisible(visibility == 1);
}

std::uint32_t Console::ConColor(int fg, int bg, int keep) {
  const auto before =
      static_cast<std::uint32_t>(screen_.Fg()) | (static_cast<std::uint32_t>(screen_.Bg()) << 16);
  const int new_fg = (keep & 1) ? screen_.Fg() : fg;
  const int new_bg = (keep & 2) ? screen_.Bg() : bg;
  screen_.SetColors(new_fg, new_bg);
  return before;
}

void Console::ConPrint(std::string_view text, bool line_end) {
  screen_.Write(text, [this] { ConBeep(); });
  if (line_end) screen_.Write("\r\n", nullptr);
}

KeyCode Console::ConKey() {
  if (PresentDue()) Present();
  CollectKeys();
  key_arrived_ = false;
  return keys_.Pop();
}

KeyCode Console::WaitKey() {
  for (;;) {
    ConSleep(kWaitKeyTickMs);
    KeyCode key = ConKey();
    if (!key.empty()) return key;
  }
}

void Console::ConSleep(int ms) {
  ConSleepPolling(ms, nullptr);
}

void Console::ConSleepPolling(int ms, const PausePoll& poll) {
  if (ms == -1) {
    for (;;) {
      Present();
      if (ConKeyWaiting()) return;
      if (!SleepUntil(clock_.NowUs() + kSliceMs * kUsPerMs, poll)) return;
    }
  }
  if (ms < 0) return;
  Present();
  // The pause ends at a time, not after a count of slices: what a poll does
  // takes time of its own (an error message it shows waits for a key).
  const std::int64_t end_us = clock_.NowUs() + std::int64_t{ms} * kUsPerMs;
  if (ms >= 100) {
    while (end_us - clock_.NowUs() > kSliceMs * kUsPerMs) {
      if (KeyArrivedSinceCheck()) return;
      if (!SleepUntil(clock_.NowUs() + kSliceMs * kUsPerMs, poll)) return;
    }
  }
  SleepUntil(end_us, poll);
}

bool Console::SleepUntil(std::int64_t end_us, const PausePoll& poll) {
  for (std::int64_t left = end_us - clock_.NowUs(); left > 0; left = end_us - clock_.NowUs()) {
    if (!poll) {
      clock_.SleepUs(left);
      continue;
    }
    const std::int64_t before = clock_.NowUs();
    const std::int64_t asked = poll();
    if (asked == kEndPause) return false;
    std::int64_t slice = std::min(asked, end_us - clock_.NowUs());
    // A poll that took no time at all and asks to be called again at once
    // would never let the pause end on a clock that only moves when slept.
    if (slice <= 0 && clock_.NowUs() == before) slice = 1;
    clock_.SleepUs(slice);
  }
  return true;
}

void Console::ConSleepPlain(int ms) {
  Present();
  clock_.SleepMs(ms);
}

void Console::ConBeep() {
  Present();
  const std::int64_t start = clock_.NowUs();
  device_.Beep(kBeepHz, kBeepMs);
  const auto elapsed_ms = static_cast<int>((clock_.NowUs() - start) / 1000);
  if (elapsed_ms < kBeepMs) clock_.SleepMs(kBeepMs - elapsed_ms);
}

void Console::Present() {
  if (shown_once_ && screen_.Revision() == shown_revision_) return;
  device_.Show(screen_.Image());
  shown_revision_ = screen_.Revision();
  shown_once_ = true;
  shown_at_us_ = clock_.NowUs();
}

bool Console::PresentDue() {
  if (shown_once_ && screen_.Revision() == shown_revision_) return false;
  return !shown_once_ || clock_.NowUs() - shown_at_us_ >= kPresentIntervalUs;
}

void Console::CollectKeys() {
  incoming_.clear();
  device_.PollKeys(incoming_);
  for (KeyCode& key : incoming_) {
    if (key.empty()) continue;
    keys_.Push(std::move(key));
    key_arrived_ = true;
  }
}

bool Console::ConKeyWaiting() {
  CollectKeys();
  return !keys_.Empty();
}

bool Console::KeyArrivedSinceCheck() {
  CollectKeys();
  const bool arrived = key_arrived_;
  key_arrived_ = false;
  return arrived;
}

}  // namespace r7n
