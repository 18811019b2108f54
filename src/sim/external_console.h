#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "sim/endpoint.h"
#include "sim/line_device.h"
#include "sim/slot_events.h"

namespace r7n::sim {

// A slot that holds a real console: the bytes the UART sends go to the
// endpoint as each one completes, and what the endpoint has to say enters the
// line only as fast as the line carries it.
class ExternalConsole : public LineDevice {
 public:
  // What crossed between the line and the endpoint.
  struct Traffic {
    std::uint64_t to_far_end = 0;    // bytes handed to the endpoint
    std::uint64_t from_far_end = 0;  // bytes taken from it onto the line
    int disconnects = 0;             // times it went down after being up
    int failed_attempts = 0;         // attempts to bring it up that failed
  };

  // slot names the slot in the events log ("base1 A"); events may be null.
  // trace_bytes logs the bytes that cross too, a line per burst each way.
  ExternalConsole(std::string slot, std::string endpoint_text, std::unique_ptr<Endpoint> endpoint,
                  SlotEvents* events, bool trace_bytes = false);
  ~ExternalConsole() override;

  void Receive(std::uint8_t byte, std::int64_t now_us, std::string& out) override;
  void Tick(std::int64_t now_us, std::string& out) override;
  std::size_t Supply(std::size_t max, std::string& out) override;

  const std::string& Slot() const { return slot_; }
  const std::string& EndpointText() const { return endpoint_text_; }
  const Traffic& Counts() const { return traffic_; }

 private:
  void OnEvent(Endpoint::Event event, const std::string& detail);
  void Trace(char direction, std::string_view bytes);
  void FlushTrace();

  std::string slot_;
  std::string endpoint_text_;
  std::unique_ptr<Endpoint> endpoint_;
  SlotEvents* events_;
  std::int64_t now_us_ = 0;
  std::int64_t next_service_us_ = 0;
  Traffic traffic_;
  // The last failure logged, so a far end that stays away is one line, not
  // one line per attempt.
  std::string last_failure_;
  // The burst being traced: its direction ('>' to the far end, '<' from it),
  // when it began and when it last grew.
  bool trace_bytes_;
  char trace_direction_ = 0;
  std::int64_t trace_start_us_ = 0;
  std::int64_t trace_last_us_ = 0;
  std::string trace_;
};

}  // namespace r7n::sim
