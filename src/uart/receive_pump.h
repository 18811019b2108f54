#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "platform/clock.h"
#include "uart/channel_access.h"
#include "uart/receive_timing.h"
#include "uart/uart_host.h"

namespace r7n {

// The one owner of reading a channel's receiver: it moves what the UART's
// FIFO holds into the link's receive reserve, where every receive takes it
// from, and decides when to look again.
//
// It reads in one of two ways. Between port accesses of its own, a program
// on one thread can be away from the port for longer than a 128-byte FIFO
// lasts at high rates (drawing, the scheduler), so while a terminal session
// listens on the real clock a reader thread of the pump's looks at the
// receiver every few byte times and the program takes what it gathered.
// Everywhere else, and always on the virtual clock of the tests, the FIFO is
// read in the pauses of whoever waits (Pause) and by the receives
// themselves (Collect), on the program's own thread.
class ReceivePump {
 public:
  ReceivePump(UartLink& link, Clock& clock, UartHost& host)
      : link_(link), clock_(clock), host_(host) {}
  ~ReceivePump() { StopReader(); }
  ReceivePump(const ReceivePump&) = delete;
  ReceivePump& operator=(const ReceivePump&) = delete;

  // Whether listening starts the reader thread: on the real clock only.
  void UseReaderThread(bool use) { use_reader_ = use; }
  // While a terminal session listens to adr, the reader (if used) reads it.
  void StartReader(const UartChanAdr& adr);
  void StopReader();

  // Moves what waits in adr's FIFO to the reserve, unless the reader does
  // that; how many bytes this call moved.
  std::size_t Collect(const UartChanAdr& adr);
  // A pause during which the current channel's receiver is kept drained, so
  // that its FIFO never overflows however long the far end talks. Every
  // pause between a send and the reading of its reply is taken this way.
  void Pause(int ms);
  // Runs during a Pause whenever received bytes wait (empty: nothing); the
  // terminal shows them as they arrive.
  void SetArrivalHook(std::function<void()> hook) { arrival_hook_ = std::move(hook); }
  // Between the passes of a terminal session on a line that is not quiet:
  // with the reader, waits until it has gathered enough to show or a burst
  // has ended, at most kMaxPassUs. Without it, looks again at once when the
  // last pass found bytes, else sleeps a slice if that is worth a sleep.
  void AwaitArrival(bool just_arrived);
  // Something was sent: a reply may come at once, so the line is not settled.
  void NoteSend();

  // How long a quiet receiver may go unread at the current BaudRate; longer
  // once the line has settled.
  std::int64_t QuietSliceUs(bool settled = false) const;
  // How long the terminal may leave a quiet receiver before it looks for
  // arrivals: a slice when it reads the port itself, longer when the reader
  // keeps the FIFO drained.
  std::int64_t LookAgainUs(bool settled) const;
  static std::int64_t SliceUs(std::int64_t baud, bool settled);

 private:
  // One look at the receiver during a Pause; how long until the next.
  std::int64_t PauseStep();
  void ReadLoop(UartChanAdr adr, std::int64_t baud);
  // The reader rests while the line is settled, until Unpark.
  void ParkUntilNeeded();
  void Unpark();
  bool ReaderReads(const UartChanAdr& adr) const {
    return reader_.joinable() && reader_port_ == adr.port;
  }

  UartLink& link_;
  Clock& clock_;
  UartHost& host_;
  std::function<void()> arrival_hook_;
  bool use_reader_ = false;
  std::thread reader_;
  std::int32_t reader_port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<std::int64_t> last_activity_us_{0};
  std::atomic<bool> parked_{false};
  std::mutex mutex_;
  std::condition_variable unpark_;
  // Counts the reader's drains worth showing; the program waits on it.
  std::condition_variable arrival_;
  std::uint64_t arrivals_ = 0;
  std::uint64_t arrivals_seen_ = 0;
};

// A session listening to a channel, for as long as it lives: what arrives
// during pauses goes to the hook, and the reader (if used) reads the channel.
class ListeningScope {
 public:
  ListeningScope(ReceivePump& pump, const UartChanAdr& adr, std::function<void()> hook)
      : pump_(pump) {
    pump_.SetArrivalHook(std::move(hook));
    pump_.StartReader(adr);
  }
  ~ListeningScope() {
    pump_.StopReader();
    pump_.SetArrivalHook(nullptr);
  }
  ListeningScope(const ListeningScope&) = delete;
  ListeningScope& operator=(const ListeningScope&) = delete;

 private:
  ReceivePump& pump_;
};

}  // namespace r7n
