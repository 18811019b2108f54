#include "sim/endpoint_lifecycle.h"

#include <utility>

namespace r7n::sim {

void EndpointLifecycle::Up(const std::string& detail) {
  state_ = State::kUp;
  endpoint_.Tell(Endpoint::Event::kUp, detail);
}

void EndpointLifecycle::Opening(std::string detail) {
  state_ = State::kOpening;
  opening_detail_ = std::move(detail);
}

void EndpointLifecycle::Connected() {
  Up(opening_detail_);
}

void EndpointLifecycle::Failed(const std::string& why) {
  WaitForNextAttempt();
  endpoint_.Tell(Endpoint::Event::kFailed, why);
}

void EndpointLifecycle::Down(const std::string& why) {
  WaitForNextAttempt();
  endpoint_.Tell(Endpoint::Event::kDown, why);
}

void EndpointLifecycle::WaitForNextAttempt() {
  state_ = State::kDown;
  next_attempt_us_ = now_us_ + retry_us_;
}

}  // namespace r7n::sim
