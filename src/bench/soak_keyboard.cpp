#include "bench/soak_keyboard.h"

#include <algorithm>
#include <utility>

namespace r7n::bench {

SoakKeyboard::SoakKeyboard(Clock& clock, const SoakScript& script, std::int64_t open_us,
                           std::int64_t close_us)
    : clock_(clock), script_(script), close_us_(close_us) {
  queue_.push_back({open_us, "a", "", KeyRole::kMenu});
}

void SoakKeyboard::Show(const ScreenImage& /*image*/) {
  ++figures_.shows;
}

void SoakKeyboard::PollKeys(std::vector<std::string>& keys) {
  const std::int64_t now = clock_.NowUs();
  if (poll_hook_) poll_hook_(now);
  for (const ScriptedKey* key = Upcoming(); key != nullptr && key->at_us <= now; key = Upcoming()) {
    keys.push_back(key->key);
    Count(*key);
    queue_.pop_front();
  }
}

void SoakKeyboard::Beep(int /*hz*/, int /*ms*/) {
  ++figures_.beeps;
}

const ScriptedKey* SoakKeyboard::Upcoming() {
  while (queue_.empty() && !script_done_) {
    if (std::optional<Episode> episode = script_.Next()) {
      for (ScriptedKey& key : episode->keys) queue_.push_back(std::move(key));
      continue;
    }
    script_done_ = true;
    queue_.push_back({close_us_, KeyShiftF2, "", KeyRole::kMenu});
    queue_.push_back({close_us_ + kQuitAfterUs, "q", "", KeyRole::kMenu});
  }
  return queue_.empty() ? nullptr : &queue_.front();
}

void SoakKeyboard::Count(const ScriptedKey& key) {
  if (key.role == KeyRole::kMenu) return;
  ++figures_.keys;
  switch (key.role) {
    case KeyRole::kMacro:
      ++figures_.macros;
      if (key.waits) ++figures_.waiting_macros;
      break;
    case KeyRole::kExternalMacro:
      ++figures_.external_macros;
      break;
    case KeyRole::kNoMacro:
      ++figures_.empty_function_keys;
      break;
    case KeyRole::kHelp:
      ++figures_.help;
      break;
    default:
      break;
  }
}

bool ExpectedKeyBytes::Read(std::string& out, std::size_t max) {
  while (pending_.size() < max) {
    if (episode_ && key_ < episode_->keys.size()) {
      pending_ += episode_->keys[key_++].sends;
      continue;
    }
    episode_ = script_.Next();
    key_ = 0;
    if (!episode_) break;
  }
  if (pending_.empty()) return false;
  const std::size_t n = std::min(max, pending_.size());
  out.append(pending_, 0, n);
  pending_.erase(0, n);
  return true;
}

}  // namespace r7n::bench
