#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "sim/chassis_config.h"
#include "sim/endpoint.h"

namespace r7n::testing {

// A console in a module slot that answers as a script says, on the virtual
// clock: each step waits for the bytes it names to arrive, then sends its
// replies, each at its own delay after them. What arrived is kept with its
// time, so a test can say when the password went out.
struct ConsoleScript {
  struct Reply {
    std::int64_t after_ms;
    std::string bytes;
  };
  struct Step {
    std::string heard;  // the last bytes that must have arrived
    std::vector<Reply> replies;
  };
  std::vector<Step> steps;
  bool echo_everything = false;  // sends back every byte, as a loop-back would
};

// What crossed while the script ran.
struct FarEndRecord {
  std::string received;
  std::vector<std::int64_t> received_at_us;                // one entry per byte
  std::vector<std::pair<std::int64_t, std::string>> sent;  // when each reply went out
};

class ScriptedFarEnd : public sim::Endpoint {
 public:
  ScriptedFarEnd(const ConsoleScript& script, FarEndRecord& record)
      : script_(script), record_(record) {}

  // The slot services its endpoint every millisecond; that is the clock here.
  void Service(std::int64_t now_us) override {
    now_us_ = now_us;
    for (auto it = due_.begin(); it != due_.end();) {
      if (it->first > now_us) {
        ++it;
        continue;
      }
      waiting_ += it->second;
      record_.sent.emplace_back(it->first, it->second);
      it = due_.erase(it);
    }
  }
  std::size_t Read(std::size_t max, std::string& out) override {
    const std::string taken = waiting_.substr(0, max);
    waiting_.erase(0, taken.size());
    out += taken;
    return taken.size();
  }
  void Write(std::string_view bytes) override {
    const std::int64_t now_us = now_us_;
    record_.received += bytes;
    record_.received_at_us.insert(record_.received_at_us.end(), bytes.size(), now_us);
    if (script_.echo_everything) waiting_ += bytes;
    heard_since_step_ += bytes;
    if (next_ >= script_.steps.size()) return;
    const ConsoleScript::Step& step = script_.steps[next_];
    if (!heard_since_step_.ends_with(step.heard)) return;
    for (const ConsoleScript::Reply& reply : step.replies) {
      due_.emplace_back(now_us + reply.after_ms * 1000, reply.bytes);
    }
    heard_since_step_.clear();
    ++next_;
  }

 private:
  const ConsoleScript& script_;
  FarEndRecord& record_;
  std::int64_t now_us_ = 0;
  std::size_t next_ = 0;
  std::string heard_since_step_;
  std::string waiting_;
  std::vector<std::pair<std::int64_t, std::string>> due_;
};

// A chassis whose base unit 1 module A follows the script; nothing else fitted.
inline sim::ChassisConfig ScriptedModuleChassis(const ConsoleScript& script, FarEndRecord& record) {
  sim::ChassisConfig config;
  config.base1.modules = {sim::ModuleKind::kExternal, sim::ModuleKind::kSilent,
                          sim::ModuleKind::kSilent, sim::ModuleKind::kSilent};
  config.base1.endpoints[0] = sim::EndpointAddress{sim::EndpointAddress::Kind::kPty, "script", 0};
  config.base2.fitted = false;
  config.make_endpoint = [&script, &record](const sim::EndpointAddress&) {
    return std::make_unique<ScriptedFarEnd>(script, record);
  };
  return config;
}

}  // namespace r7n::testing
