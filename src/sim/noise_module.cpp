#include "sim/noise_module.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>
#include <string_view>

namespace r7n::sim {
namespace {

// Sequences that change a host terminal's state or make it answer, should
// one ever get through to it. Where a digit or letter follows, the escape is
// in octal, which ends after three digits where a hex one would run on.
constexpr std::string_view kSequences[] = {
    "\x1b]2;noise title\x1b\\",  // window title, ended by ST
    "\x1b]0;noise icon\x07",     // icon name and title, ended by BEL
    "\x1b]10;#ff0000\x1b\\",     // default foreground colour
    "\x1b]11;#00ff00\x1b\\",     // default background colour
    "\x1b]4;1;#0000ff\x1b\\",    // a palette entry
    "\x1b]52;c;bm9pc2U=\x1b\\",  // the clipboard
    "\x1bP+q544e\x1b\\",         // DCS: a terminfo query
    "\x1bknoise name\x1b\\",     // a multiplexer's window name
    "\x1b[?1049h",               // alternate screen
    "\x1b[?1000h\x1b[?1006h",    // mouse reports
    "\x1b[?25l",                 // cursor off
    "\x1b[?7l",                  // no wrap at the margin
    "\x1b[?6h",                  // origin mode
    "\x1b[4h",                   // insert mode
    "\x1b=",                     // application keypad
    "\x1b[?1h",                  // application cursor keys
    "\x1b[5;10r",                // scroll region
    "\x1bH",                     // a tab stop here
    "\x1b[3g",                   // no tab stops at all
    "\x1b[?2004h",               // bracketed paste
    "\x1b[?1004h",               // focus reports
    "\x1b[5 q",                  // cursor shape
    "\x1b(0",                    // line-drawing character set
    "\x0e",                      // shift out
    "\x1b#8",                    // screen full of E
    "\033c",                     // full reset
    "\x1b[6n",                   // cursor position report
    "\x1b[c",                    // device attributes
    "\x1b[2J\x1b[H",             // clear and home
    "\x1b[K",                    // erase to the end of the line
    "\23331m",                   // 8-bit CSI
    "\2352;c1 title\234",        // 8-bit OSC, ended by the 8-bit ST
    "\220q\234",                 // 8-bit DCS
    "\302\23332m",               // CSI spelled in UTF-8
};

// One piece in this many is a whole sequence rather than a single byte.
constexpr std::uint64_t kSequenceOdds = 8;
// Choices beside the fixed sequences: a colour change with random parameters
// and a control sequence with a random final byte.
constexpr std::uint64_t kGeneratedChoices = 2;
constexpr int kMaxSgrParameter = 50;  // up to 49: every colour and a few beyond
constexpr int kMaxCsiParameter = 2000;

std::size_t CheckedBurstBytes(const NoiseSettings& settings) {
  if (settings.burst_bytes < 1)
    throw std::invalid_argument("a noise burst needs at least one byte");
  return static_cast<std::size_t>(settings.burst_bytes);
}

}  // namespace

std::string NoiseGenerator::Next(std::size_t count) {
  std::string out;
  out.reserve(count);
  while (out.size() < count) {
    if (carry_.empty()) carry_ = NextPiece();
    const std::size_t take = std::min(carry_.size(), count - out.size());
    out.append(carry_, 0, take);
    carry_.erase(0, take);
  }
  return out;
}

// SplitMix64: tiny, and its output is fixed by its definition, unlike the
// standard library's distributions.
std::uint64_t NoiseGenerator::NextWord() {
  state_ += 0x9E3779B97F4A7C15u;
  std::uint64_t z = state_;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
  return z ^ (z >> 31);
}

std::string NoiseGenerator::NextPiece() {
  const std::uint64_t word = NextWord();
  if (word % kSequenceOdds != 0) return std::string(1, static_cast<char>((word >> 8) & 0xFF));
  const std::uint64_t choice = (word >> 8) % (std::size(kSequences) + kGeneratedChoices);
  std::string sequence;
  if (choice < std::size(kSequences)) {
    sequence = kSequences[choice];
  } else {
    sequence = choice == std::size(kSequences) ? RandomSgr() : RandomCsi();
  }
  // Half of them start inside the parameters of a CSI: a terminal that gives
  // up on the broken CSI may pass the rest on untouched, control bytes and all.
  if ((word >> 40) % 2 == 0) sequence.insert(0, "\x1b[");
  return sequence;
}

std::string NoiseGenerator::RandomSgr() {
  const std::uint64_t word = NextWord();
  const std::uint64_t parameters = 1 + word % 3;
  std::string text = "\x1b[";
  for (std::uint64_t i = 0; i < parameters; ++i) {
    if (i > 0) text += ';';
    text += std::to_string((word >> (8 + 8 * i)) % kMaxSgrParameter);
  }
  return text + "m";
}

std::string NoiseGenerator::RandomCsi() {
  const std::uint64_t word = NextWord();
  std::string text = "\x1b[";
  if (word % 2 == 0) text += '?';
  text += std::to_string((word >> 8) % kMaxCsiParameter);
  // Final bytes run from '@' to '~'.
  text += static_cast<char>('@' + (word >> 32) % ('~' - '@' + 1));
  return text;
}

NoiseModule::NoiseModule(const NoiseSettings& settings)
    : generator_(settings.seed), burst_bytes_(CheckedBurstBytes(settings)) {}

void NoiseModule::Receive(std::uint8_t byte, std::int64_t /*now_us*/, std::string& out) {
  if (byte == '\r') out += generator_.Next(burst_bytes_);
}

}  // namespace r7n::sim
