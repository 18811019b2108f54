#pragma once

#include <cstdint>
#include <string>

#include "sim/endpoint.h"

namespace r7n::sim {

// Whether an endpoint's far end is up, and when to try it again: down until
// an attempt works, at most one attempt every retry interval, and a far end
// that goes is let go until the next one. Every kind of endpoint, on every
// platform, goes through these states, and each change is told to the
// endpoint's listener here, so the events log reads alike for all of them.
class EndpointLifecycle {
 public:
  enum class State {
    kDown,     // nothing open; an attempt is due at the next attempt time
    kOpening,  // opened but still connecting: nothing is read or written yet
    kUp,
  };

  // Tells endpoint's listener; endpoint owns this lifecycle and outlives it.
  EndpointLifecycle(const Endpoint& endpoint, std::int64_t retry_us)
      : endpoint_(endpoint), retry_us_(retry_us) {}
  EndpointLifecycle(const EndpointLifecycle&) = delete;
  EndpointLifecycle& operator=(const EndpointLifecycle&) = delete;

  // The model's time as the endpoint was last serviced. A far end found gone
  // between services (by a read or a write) is tried again counting from then.
  void Serviced(std::int64_t now_us) { now_us_ = now_us; }
  std::int64_t NowUs() const { return now_us_; }

  State Current() const { return state_; }
  bool IsUp() const { return state_ == State::kUp; }
  bool AttemptDue() const { return state_ == State::kDown && now_us_ >= next_attempt_us_; }

  // An attempt opened the far end, and it is up at once.
  void Up(const std::string& detail);
  // An attempt opened the far end, which is still connecting; detail is told
  // once it has connected.
  void Opening(std::string detail);
  void Connected();
  // An attempt, or the connecting it began, did not work.
  void Failed(const std::string& why);
  // The far end that was up has gone.
  void Down(const std::string& why);

 private:
  void WaitForNextAttempt();

  const Endpoint& endpoint_;
  std::int64_t retry_us_;
  State state_ = State::kDown;
  std::int64_t now_us_ = 0;
  std::int64_t next_attempt_us_ = 0;
  std::string opening_detail_;
};

}  // namespace r7n::sim
