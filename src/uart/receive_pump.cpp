#include "uart/receive_pump.h"

#include <algorithm>
#include <chrono>

#include "platform/fine_sleep.h"
#include "platform/thread_priority.h"

namespace r7n {

void ReceivePump::StartReader(const UartChanAdr& adr) {
  if (!use_reader_ || reader_.joinable()) return;
  stop_ = false;
  reader_port_ = adr.port;
  last_activity_us_ = clock_.NowUs();
  reader_ =
      std::thread([this, adr, baud = std::int64_t{link_.BaudRate()}] { ReadLoop(adr, baud); });
}

void ReceivePump::StopReader() {
  if (!reader_.joinable()) return;
  stop_ = true;
  reader_.join();
}

void ReceivePump::ReadLoop(UartChanAdr adr, std::int64_t baud) {
  RaiseThreadPriority();
  bool burst = false;
  while (!stop_) {
    const std::int64_t now_us = clock_.NowUs();
    const bool moved = link_.DrainReceiver(adr, true) > 0;
    if (moved) last_activity_us_ = now_us;
    // The program is woken when there is enough to show, and at the end of
    // a burst, so that an echo shows at once; not for every few bytes.
    const bool ended = burst && !moved;
    burst = moved;
    if (ended || (moved && link_.Reserved(adr) >= ReceiveTiming::kWakeReserveBytes)) {
      {
        const std::lock_guard<std::mutex> lock(arrival_mutex_);
        ++arrivals_;
      }
      arrival_.notify_one();
    }
    const bool settled = now_us - last_activity_us_ >= ReceiveTiming::kSettledAfterUs;
    // A plain sleep: the clock of the simulated chassis would make the
    // model catch up after it, which this thread's own reads already do.
    SleepFineUs(SliceUs(baud, settled));
  }
}

std::size_t ReceivePump::Collect(const UartChanAdr& adr) {
  return ReaderReads(adr) ? 0 : link_.DrainReceiver(adr);
}

void ReceivePump::Pause(int ms) {
  host_.Pause(ms, [this] { return PauseStep(); });
}

std::int64_t ReceivePump::PauseStep() {
  const UartChanAdr& adr = link_.ChanAdr();
  const bool arrived = Collect(adr) > 0;
  if (arrival_hook_ && link_.Reserved(adr) > 0) arrival_hook_();
  return arrived ? 0 : QuietSliceUs();
}

void ReceivePump::AwaitArrival(bool just_arrived) {
  if (!reader_.joinable()) {
    const std::int64_t slice_us = QuietSliceUs();
    if (!just_arrived && slice_us >= ReceiveTiming::kShortestSleepUs) clock_.SleepUs(slice_us);
    return;
  }
  std::unique_lock<std::mutex> lock(arrival_mutex_);
  arrival_.wait_for(lock, std::chrono::microseconds(ReceiveTiming::kMaxPassUs),
                    [this] { return arrivals_ != arrivals_seen_; });
  arrivals_seen_ = arrivals_;
}

std::int64_t ReceivePump::QuietSliceUs(bool settled) const {
  return SliceUs(link_.BaudRate(), settled);
}

std::int64_t ReceivePump::LookAgainUs(bool settled) const {
  if (!reader_.joinable()) return QuietSliceUs(settled);
  return settled ? ReceiveTiming::kLongestQuietSliceUs : ReceiveTiming::kMaxPassUs;
}

std::int64_t ReceivePump::SliceUs(std::int64_t baud, bool settled) {
  if (baud <= 0) return ReceiveTiming::kLongestQuietSliceUs;
  const std::int64_t bytes =
      settled ? ReceiveTiming::kSettledSliceBytes : ReceiveTiming::kQuietSliceBytes;
  const std::int64_t slice_us = bytes * 10 * 1'000'000 / baud;
  return std::clamp(slice_us, ReceiveTiming::kShortestQuietSliceUs,
                    ReceiveTiming::kLongestQuietSliceUs);
}

}  // namespace r7n
