#include "console/console.h"

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
  Present();
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
  if (ms == -1) {
    for (;;) {
      Present();
      if (ConKeyWaiting()) return;
      clock_.SleepMs(kSliceMs);
    }
  }
  if (ms < 0) return;
  Present();
  int remaining = ms;
  if (ms >= 100) {
    while (remaining > kSliceMs) {
      if (KeyArrivedSinceCheck()) return;
      clock_.SleepMs(kSliceMs);
      remaining -= kSliceMs;
    }
  }
  clock_.SleepMs(remaining);
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
