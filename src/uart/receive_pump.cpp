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
  Unpark();
  reader_.join();
  parked_ = false;
}

void ReceivePump::Unpark() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    last_activity_us_ = clock_.NowUs();
    parked_ = false;
  }
  unpark_.notify_one();
}

void ReceivePump::ParkUntilNeeded() {
  std::unique_lock<std::mutex> lock(mutex_);
  parked_ = true;
  unpark_.wait(lock, [this] { return stop_ || !parked_; });
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
        const std::lock_guard<std::mutex> lock(mutex_);
        ++arrivals_;
      }
      arrival_.notify_one();
    }
    // A settled line is looked at by the program's own quiet pauses, which
    // wake anyway for the keyboard: two threads waking for it would double
    // what an idle terminal costs. They call the reader back at the first
    // byte, and so does a send.
    if (now_us - last_activity_us_ >= ReceiveTiming::kSettledAfterUs) {
      ParkUntilNeeded();
      continue;
    }
    // A plain sleep: the clock of the simulated chassis would make the
    // model catch up after it, which this thread's own reads already do.
    SleepFineUs(SliceUs(baud, false));
  }
}

std::size_t ReceivePump::Collect(const UartChanAdr& adr) {
  if (!ReaderReads(adr)) return link_.DrainReceiver(adr);
  if (!parked_) return 0;
  const std::size_t moved = link_.DrainReceiver(adr);
  if (moved > 0) Unpark();
  return moved;
}

void ReceivePump::NoteSend() {
  last_activity_us_ = clock_.NowUs();
  if (reader_.joinable() && parked_) Unpark();
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
  std::unique_lock<std::mutex> lock(mutex_);
  arrival_.wait_for(lock, std::chrono::microseconds(ReceiveTiming::kMaxPassUs),
                    [this] { return arrivals_ != arrivals_seen_; });
  arrivals_seen_ = arrivals_;
}

std::int64_t ReceivePump::QuietSliceUs(bool settled) const {
  return SliceUs(link_.BaudRate(), settled);
}

std::int64_t ReceivePump::LookAgainUs(bool settled) const {
  if (!reader_.joinable() || parked_) return QuietSliceUs(settled);
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
