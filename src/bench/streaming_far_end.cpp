#include "bench/streaming_far_end.h"

#include <algorithm>
#include <string_view>

#include "sim/uart_model.h"

namespace r7n::bench {
namespace {

constexpr int kUnit = 1;
constexpr sim::Device kDevice = sim::Device::kModuleA;
constexpr std::int64_t kNsPerUs = 1000;
constexpr std::uint8_t kBel = 0x07;

}  // namespace

StreamingFarEnd::StreamingFarEnd(sim::Chassis& chassis, Clock& clock, const SoakScript& script,
                                 std::uint64_t seed, FeedPath path, int line_baud)
    : chassis_(chassis),
      clock_(clock),
      script_(script),
      tokens_(StreamSeed(seed)),
      path_(path),
      line_baud_(line_baud),
      frame_ns_(sim::FrameNsAtBaud(line_baud)) {
  if (NextEpisode()) Prepare();
}

void StreamingFarEnd::Out(std::uint16_t port, std::uint8_t value) {
  CatchUp();
  chassis_.Out(port, value);
  TrackSelector();
}

std::uint8_t StreamingFarEnd::In(std::uint16_t port) {
  CatchUp();
  return chassis_.In(port);
}

void StreamingFarEnd::CatchUp() {
  const std::int64_t now_ns = clock_.NowUs() * kNsPerUs;
  // On the UART path a frame arrives once its stop bit is over; on the line
  // path it is handed to the line when it starts, and the line carries it.
  const std::int64_t due_ns = path_ == FeedPath::kUart ? now_ns - frame_ns_ : now_ns;
  if (!next_ || next_->start_ns > due_ns) return;
  // Injected bytes start at the model's time, so bring it up to now first.
  chassis_.CatchUp();
  while (next_ && next_->start_ns <= due_ns) {
    Deliver(*next_);
    line_free_ns_ = next_->start_ns + frame_ns_;
    Prepare();
  }
}

void StreamingFarEnd::Deliver(const Frame& frame) {
  ++figures_.sent;
  sim::BaseUnit& base = chassis_.MutableBase(kUnit);
  if (path_ == FeedPath::kSimLine) {
    const char byte = static_cast<char>(frame.byte);
    base.Inject(kDevice, std::string_view(&byte, 1));
    return;
  }
  if (!Connected(frame)) {
    ++figures_.unheard;
    return;
  }
  base.Uart().Receive(frame.byte, line_baud_);
}

void StreamingFarEnd::Prepare() {
  next_.reset();
  if (const std::optional<std::uint8_t> byte = NextByte()) next_ = Frame{*byte, line_free_ns_};
}

std::optional<std::uint8_t> StreamingFarEnd::NextByte() {
  while (episode_) {
    if (token_pos_ < token_.wire.size()) {
      return static_cast<std::uint8_t>(token_.wire[token_pos_++]);
    }
    // A piece that has begun is finished, so the burst ends between pieces.
    if (line_free_ns_ < episode_->burst_end_us * kNsPerUs) {
      tokens_.Next(token_);
      token_pos_ = 0;
      ++figures_.tokens;
      continue;
    }
    if (bell_pending_) {
      bell_pending_ = false;
      ++figures_.bells;
      return kBel;
    }
    NextEpisode();
  }
  return std::nullopt;
}

bool StreamingFarEnd::NextEpisode() {
  episode_ = script_.Next();
  if (!episode_) return false;
  bell_pending_ = episode_->bell;
  line_free_ns_ = std::max(line_free_ns_, episode_->burst_start_us * kNsPerUs);
  return true;
}

bool StreamingFarEnd::Connected(const Frame& frame) const {
  // A frame that began before the selector reached the line lost its start bit.
  return module_selected_ && frame.start_ns >= connected_since_ns_;
}

void StreamingFarEnd::TrackSelector() {
  const bool selected = chassis_.Base(kUnit).SelectedDevice() == kDevice;
  if (selected == module_selected_) return;
  module_selected_ = selected;
  connected_since_ns_ = clock_.NowUs() * kNsPerUs;
}

}  // namespace r7n::bench
