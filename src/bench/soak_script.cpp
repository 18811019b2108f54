#include "bench/soak_script.h"

#include <array>

namespace r7n::bench {
namespace {

constexpr std::int64_t kMs = 1000;

// A burst of output lasts seconds, as a module printing a log or a listing.
constexpr std::int64_t kShortestBurstMs = 2'000;
constexpr std::int64_t kLongestBurstMs = 20'000;
// An operator's keys come a fraction of a second to seconds apart.
constexpr std::int64_t kFirstKeyMinMs = 200;
constexpr std::int64_t kFirstKeyMaxMs = 3'000;
constexpr std::int64_t kKeyGapMinMs = 300;
constexpr std::int64_t kKeyGapMaxMs = 6'000;
// Quiet after a burst before a waiting macro's key, so that the terminal has
// shown everything; after a BEL, its 250 ms tone as well.
constexpr std::int64_t kLeadMs = 100;
constexpr std::int64_t kLeadAfterBellMs = 400;
constexpr std::int64_t kExtraQuietMaxMs = 300;
// Before a quiet terminal takes a key: its 30 ms pause and a pass.
constexpr std::int64_t kPickUpMs = 50;
// A wait that a key ends early ends at the next of its 50 ms slices.
constexpr std::int64_t kSliceMs = 50;
constexpr std::int64_t kPacedByteMs = 10;
constexpr std::int64_t kReleaseAfterMs = 300;
constexpr std::int64_t kCutShortAfterMs = 400;
constexpr std::int64_t kMarginMs = 300;

const KeyCode kCtrlZ = "\x1a";

struct KeySend {
  KeyCode key;
  const char* sends;
};

// Extended keys that the terminal sends as they are: 0xFF and the code.
// Home, PgUp, End, PgDn, Ins, Ctrl-F1, Alt-F1, Alt-X, Ctrl-Home.
constexpr std::array<std::uint8_t, 9> kPlainExtended{0x47, 0x49, 0x4F, 0x51, 0x52,
                                                     0x5E, 0x68, 0x2D, 0x77};

std::int64_t PacedMs(const std::string& sends) {
  return static_cast<std::int64_t>(sends.size()) * kPacedByteMs;
}

}  // namespace

SoakScript::SoakScript(std::uint64_t seed, std::int64_t first_us, std::int64_t last_us)
    : random_(SubSeed(seed, 2)), next_us_(first_us), last_us_(last_us) {}

std::optional<Episode> SoakScript::Next() {
  if (done_) return std::nullopt;
  Episode episode;
  episode.burst_start_us = next_us_;
  episode.burst_end_us = next_us_ + random_.Between(kShortestBurstMs, kLongestBurstMs) * kMs;
  episode.bell = random_.OneIn(8);
  AddFlowingKeys(episode);
  const std::int64_t lead_us = (episode.bell ? kLeadAfterBellMs : kLeadMs) * kMs;
  if (random_.OneIn(3)) {
    AddWaitingMacro(episode, episode.burst_end_us + lead_us);
  } else {
    episode.quiet_end_us =
        episode.burst_end_us + lead_us + random_.Between(0, kExtraQuietMaxMs) * kMs;
  }
  if (episode.quiet_end_us > last_us_) {
    done_ = true;
    return std::nullopt;
  }
  next_us_ = episode.quiet_end_us;
  return episode;
}

void SoakScript::AddFlowingKeys(Episode& episode) {
  std::int64_t at = episode.burst_start_us + random_.Between(kFirstKeyMinMs, kFirstKeyMaxMs) * kMs;
  while (at <= episode.burst_end_us - kFlowingKeyUs) {
    episode.keys.push_back(FlowingKey(at));
    at += random_.Between(kKeyGapMinMs, kKeyGapMaxMs) * kMs;
  }
}

std::int64_t SoakScript::ReleaseAfterUs(const SoakMacro& macro) {
  if (macro.wait == MacroWait::kUntilKey) return kReleaseAfterMs * kMs;
  if (macro.wait == MacroWait::kCutShort) return kCutShortAfterMs * kMs;
  return 0;
}

std::int64_t SoakScript::BusyUs(const SoakMacro& macro, const std::string& release_sends) {
  const std::int64_t paced_ms = PacedMs(macro.sends) + PacedMs(release_sends);
  if (ReleaseAfterUs(macro) == 0) return (kPickUpMs + paced_ms + macro.wait_ms) * kMs;
  return ReleaseAfterUs(macro) + (kPickUpMs + kSliceMs + paced_ms) * kMs;
}

void SoakScript::AddWaitingMacro(Episode& episode, std::int64_t at_us) {
  const std::vector<SoakMacro>& macros = WaitingMacros();
  const SoakMacro& macro = macros[random_.Below(macros.size())];
  episode.keys.push_back({at_us, macro.key, macro.sends, KeyRole::kMacro, true});
  std::string release_sends;
  if (ReleaseAfterUs(macro) != 0) {
    ScriptedKey release = TypedKey(at_us + ReleaseAfterUs(macro));
    release.role = KeyRole::kRelease;
    release_sends = release.sends;
    episode.keys.push_back(std::move(release));
  }
  episode.quiet_end_us = at_us + BusyUs(macro, release_sends) + kMarginMs * kMs;
}

ScriptedKey SoakScript::FlowingKey(std::int64_t at_us) {
  const std::uint64_t kind = random_.Below(100);
  if (kind < 2) return {at_us, KeyShiftF1, "", KeyRole::kHelp};
  if (kind < 27) {
    const std::vector<SoakMacro>& macros = FlowingMacros();
    const SoakMacro& macro = macros[random_.Below(macros.size())];
    const KeyRole role = !macro.defined   ? KeyRole::kNoMacro
                         : macro.external ? KeyRole::kExternalMacro
                                          : KeyRole::kMacro;
    return {at_us, macro.key, macro.sends, role};
  }
  return TypedKey(at_us);
}

ScriptedKey SoakScript::TypedKey(std::int64_t at_us) {
  static const std::array<KeySend, 10> kTranslated{{
      {kCtrlZ, "\x03"},
      {KeyLeft, "\x1b[D"},
      {KeyRight, "\x1b[C"},
      {KeyUp, "\x1b[A"},
      {KeyDown, "\x1b[B"},
      {KeyDel, "\x7f"},
      {"\r", "\r"},      // Enter
      {"\x08", "\x08"},  // Backspace
      {"\t", "\t"},
      {"\x1b", "\x1b"},  // Esc
  }};
  const std::uint64_t kind = random_.Below(100);
  if (kind < 20) {
    const KeySend& send = kTranslated[random_.Below(kTranslated.size())];
    return {at_us, send.key, send.sends};
  }
  if (kind < 28) {
    const KeyCode key = ExtendedKey(kPlainExtended[random_.Below(kPlainExtended.size())]);
    return {at_us, key, key};
  }
  std::string key(1, static_cast<char>(random_.Between(0x20, 0x7E)));
  if (kind < 33) {
    // Ctrl and a letter (not C, which ends the program, nor Z), or a
    // character of the upper half of the code page.
    const char ctrl = static_cast<char>(random_.Between(0x01, 0x19));
    key = ctrl == 0x03 ? std::string("\x82") : std::string(1, ctrl);
  }
  return {at_us, key, key};
}

}  // namespace r7n::bench
