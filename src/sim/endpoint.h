#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace r7n::sim {

// The far end of a slot that lives outside the model: a pseudo-terminal, a
// socket, a serial port or a program. It is polled from the model's time
// advance and never blocks; while it is down (not yet opened, refused,
// dropped, exited) it reads nothing and swallows what is written, and it tries
// again on its own schedule.
class Endpoint {
 public:
  enum class Event {
    kUp,      // opened, connected or started
    kDown,    // was up, and has gone: closed by the far end, an error, an exit
    kFailed,  // an attempt to bring it up did not work
    kNote,    // anything else worth a line in the events log
  };
  using Listener = std::function<void(Event, const std::string& detail)>;

  virtual ~Endpoint() = default;

  void SetListener(Listener listener) { listener_ = std::move(listener); }

  // Brings the endpoint up when it is down and its next attempt is due, and
  // notices a far end that has gone. now_us is the model's time.
  virtual void Service(std::int64_t now_us) = 0;
  // Appends at most max bytes that are waiting to out; returns how many.
  virtual std::size_t Read(std::size_t max, std::string& out) = 0;
  // Hands bytes to the far end; what it cannot take yet is kept in order.
  virtual void Write(std::string_view bytes) = 0;
  // Bytes written that have not reached the far end yet.
  virtual std::size_t Unsent() const { return 0; }

 protected:
  void Tell(Event event, const std::string& detail) const {
    if (listener_) listener_(event, detail);
  }

 private:
  // Tells the endpoint's ups and downs on its behalf.
  friend class EndpointLifecycle;

  Listener listener_;
};

}  // namespace r7n::sim
