#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "bench/soak_macros.h"
#include "bench/soak_random.h"
#include "keys/key_code.h"

namespace r7n::bench {

// What a scripted key press is, for the figures.
enum class KeyRole {
  kTyped,          // an ordinary or extended key that is sent
  kHelp,           // Shift-F1
  kMacro,          // a function key with a one-line macro
  kExternalMacro,  // a function key with a two-line macro
  kNoMacro,        // a function key with nothing on it
  kRelease,        // the key that ends a macro's wait
  kMenu,           // opens or ends the session, not part of the script
};

struct ScriptedKey {
  std::int64_t at_us = 0;
  KeyCode key;
  // What the far end receives for it, in the order the keys were pressed.
  std::string sends;
  KeyRole role = KeyRole::kTyped;
  // A macro that waits without reading (played only while the line is quiet).
  bool waits = false;
};

// One stretch of the day: the far end prints from burst_start_us to
// burst_end_us (finishing the piece it is in), then sends a BEL if bell is
// set, and is quiet until quiet_end_us, where the next episode begins. Keys
// that only send come during the burst; a macro that waits comes in the quiet
// part, long enough for it to end before the line gets busy again.
struct Episode {
  std::int64_t burst_start_us = 0;
  std::int64_t burst_end_us = 0;
  bool bell = false;
  std::int64_t quiet_end_us = 0;
  std::vector<ScriptedKey> keys;  // in time order
};

// The operator's and the far end's day, from a seed, one episode at a time so
// that a day of it costs no memory. The far end and the keyboard each follow
// their own copy: the same seed gives both the same episodes.
class SoakScript {
 public:
  // The longest a key the terminal takes while bytes flow keeps it busy:
  // the longest macro that sends without waiting, with room to spare.
  static constexpr std::int64_t kFlowingKeyUs = 600'000;

  // Episodes fill [first_us, last_us]; none ends after last_us.
  SoakScript(std::uint64_t seed, std::int64_t first_us, std::int64_t last_us);

  // The next episode; none once the next would not end by last_us, and
  // none ever after, so every copy of the script ends at the same place.
  std::optional<Episode> Next();

  // When, after a waiting macro's key, the script presses the key that ends
  // its wait (0: the wait ends by itself).
  static std::int64_t ReleaseAfterUs(const SoakMacro& macro);
  // How long after its key a waiting macro may keep the terminal from
  // reading: until its last paced byte and the release key's are out. The
  // far end is quiet that long, and a little more.
  static std::int64_t BusyUs(const SoakMacro& macro, const std::string& release_sends);

 private:
  void AddFlowingKeys(Episode& episode);
  void AddWaitingMacro(Episode& episode, std::int64_t at_us);
  ScriptedKey FlowingKey(std::int64_t at_us);
  ScriptedKey TypedKey(std::int64_t at_us);

  SoakRandom random_;
  std::int64_t next_us_;
  std::int64_t last_us_;
  bool done_ = false;
};

}  // namespace r7n::bench
