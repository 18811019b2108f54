// The retry state machine every endpoint shares, on a timeline of services:
// when an attempt falls due, which state each step leaves, and what the
// listener hears.

#include "sim/endpoint_lifecycle.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

namespace r7n::sim {
namespace {

class ProbeEndpoint : public Endpoint {
 public:
  explicit ProbeEndpoint(std::int64_t retry_us) : lifecycle(*this, retry_us) {}
  void Service(std::int64_t /*now_us*/) override {}
  std::size_t Read(std::size_t /*max*/, std::string& /*out*/) override { return 0; }
  void Write(std::string_view /*bytes*/) override {}

  EndpointLifecycle lifecycle;
};

TEST(EndpointLifecycleTest, RetriesAnIntervalAfterEachFailureOrLossAndTellsEachChange) {
  using State = EndpointLifecycle::State;
  struct Step {
    std::int64_t serviced_us;
    bool due;  // whether an attempt is due at that service
    std::function<void(EndpointLifecycle&)> act;
    State after;
    std::string told;
  };
  const auto nothing = [](EndpointLifecycle&) {};
  const Step steps[] = {
      {0, true, [](EndpointLifecycle& l) { l.Failed("refused"); }, State::kDown, "failed: refused"},
      {499, false, nothing, State::kDown, ""},
      {500, true, [](EndpointLifecycle& l) { l.Opening("connected"); }, State::kOpening, ""},
      {600, false, [](EndpointLifecycle& l) { l.Connected(); }, State::kUp, "up: connected"},
      {700, false, [](EndpointLifecycle& l) { l.Down("closed"); }, State::kDown, "down: closed"},
      {1199, false, nothing, State::kDown, ""},
      {1200, true, [](EndpointLifecycle& l) { l.Opening("x"); }, State::kOpening, ""},
      {1300, false, [](EndpointLifecycle& l) { l.Failed("timed out"); }, State::kDown,
       "failed: timed out"},
      {1800, true, [](EndpointLifecycle& l) { l.Up("open"); }, State::kUp, "up: open"},
  };
  ProbeEndpoint endpoint(500);
  std::string told;
  endpoint.SetListener([&told](Endpoint::Event event, const std::string& detail) {
    const char* kNames[] = {"up", "down", "failed", "note"};
    told = kNames[static_cast<int>(event)] + (": " + detail);
  });
  for (const Step& step : steps) {
    told.clear();
    endpoint.lifecycle.Serviced(step.serviced_us);
    EXPECT_EQ(endpoint.lifecycle.AttemptDue(), step.due) << "at " << step.serviced_us;
    step.act(endpoint.lifecycle);
    EXPECT_EQ(endpoint.lifecycle.Current(), step.after) << "at " << step.serviced_us;
    EXPECT_EQ(told, step.told) << "at " << step.serviced_us;
  }
}

}  // namespace
}  // namespace r7n::sim
