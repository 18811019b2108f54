#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "bench/soak_script.h"
#include "platform/clock.h"
#include "platform/console_device.h"

namespace r7n::bench {

struct KeyboardFigures {
  std::uint64_t keys = 0;            // key presses handed to the terminal session
  std::uint64_t macros = 0;          // function keys with a one-line macro
  std::uint64_t waiting_macros = 0;  // of those, macros that wait
  std::uint64_t external_macros = 0;
  std::uint64_t empty_function_keys = 0;
  std::uint64_t help = 0;
  std::uint64_t beeps = 0;
  std::uint64_t shows = 0;
};

// The operator of the soak: opens module A's terminal from the menu, types the
// script's keys and macros, ends the session and quits. Keys are taken from
// the script as time reaches them, and the screen is not kept, so a day of it
// costs no memory.
class SoakKeyboard : public ConsoleDevice {
 public:
  // open_us: the menu key for module A of base unit 1; close_us: Shift-F2,
  // then Q half a second later.
  SoakKeyboard(Clock& clock, const SoakScript& script, std::int64_t open_us, std::int64_t close_us);

  // Runs at every poll with the time, before the keys due are handed out.
  void SetPollHook(std::function<void(std::int64_t now_us)> hook) { poll_hook_ = std::move(hook); }

  WindowSize Size() const override { return {25, 80}; }
  void Show(const ScreenImage& image) override;
  void PollKeys(std::vector<std::string>& keys) override;
  void Beep(int hz, int ms) override;

  const KeyboardFigures& Figures() const { return figures_; }

 private:
  static constexpr std::int64_t kQuitAfterUs = 500'000;

  // The next key of the whole run (menu key, script, Shift-F2, Q), or null
  // after the last.
  const ScriptedKey* Upcoming();
  void Count(const ScriptedKey& key);

  Clock& clock_;
  SoakScript script_;
  std::int64_t close_us_;
  std::deque<ScriptedKey> queue_;
  bool script_done_ = false;
  std::function<void(std::int64_t)> poll_hook_;
  KeyboardFigures figures_;
};

// Everything the script's keys send to the far end, in order: what module A
// must have heard by the end of the day.
class ExpectedKeyBytes {
 public:
  explicit ExpectedKeyBytes(const SoakScript& script) : script_(script) {}
  // Appends up to max bytes to out; false once there are no more.
  bool Read(std::string& out, std::size_t max);

 private:
  SoakScript script_;
  std::optional<Episode> episode_;
  std::size_t key_ = 0;
  std::string pending_;
};

}  // namespace r7n::bench
