#pragma once

#include <cstdint>
#include <optional>

#include "bench/soak_script.h"
#include "bench/stream_tokens.h"
#include "platform/clock.h"
#include "platform/port_io.h"
#include "sim/chassis.h"

namespace r7n::bench {

// How the far end's frames reach base unit 1's UART.
enum class FeedPath {
  // Straight into the UART's receiver at the line rate, while the selector
  // connects module A: the simulated line keeps a copy of every byte that
  // crosses it, which a day of traffic would pile up.
  kUart,
  // Through the simulated line to module A, which keeps that copy.
  kSimLine,
};

struct FarEndFigures {
  std::uint64_t sent = 0;     // frames put on the line
  std::uint64_t unheard = 0;  // of those, frames the UART was not connected for (kUart only)
  std::uint64_t tokens = 0;   // whole tokens of the stream sent
  std::uint64_t bells = 0;
};

// The far end of module A's line on base unit 1 printing the seeded stream,
// frame after frame at the line rate, in the bursts of the soak's script.
// Module A itself must be silent, so that the stream is all the UART hears.
// It sits in front of the chassis as a PortIo: before every access the model
// is brought up to the clock and the frames that have ended by then arrive,
// which is when the UART model takes in its own line's frames too.
class StreamingFarEnd : public PortIo {
 public:
  StreamingFarEnd(sim::Chassis& chassis, Clock& clock, const SoakScript& script, std::uint64_t seed,
                  FeedPath path, int line_baud);

  void Out(std::uint16_t port, std::uint8_t value) override;
  std::uint8_t In(std::uint16_t port) override;

  const FarEndFigures& Figures() const { return figures_; }
  // Nothing left to print: the script has no episode left.
  bool Finished() const { return !next_.has_value(); }

 private:
  struct Frame {
    std::uint8_t byte;
    std::int64_t start_ns;
  };

  void CatchUp();
  void Deliver(const Frame& frame);
  void Prepare();
  std::optional<std::uint8_t> NextByte();
  bool NextEpisode();
  bool Connected(const Frame& frame) const;
  void TrackSelector();

  sim::Chassis& chassis_;
  Clock& clock_;
  SoakScript script_;
  StreamTokens tokens_;
  FeedPath path_;
  int line_baud_;
  std::int64_t frame_ns_;
  std::optional<Episode> episode_;
  bool bell_pending_ = false;
  StreamToken token_;
  std::size_t token_pos_ = 0;
  std::int64_t line_free_ns_ = 0;
  std::optional<Frame> next_;
  bool module_selected_ = false;
  std::int64_t connected_since_ns_ = 0;
  FarEndFigures figures_;
};

}  // namespace r7n::bench
