#include "sim/external_console.h"

#include <utility>

namespace r7n::sim {

ExternalConsole::ExternalConsole(std::string slot, std::string endpoint_text,
                                 std::unique_ptr<Endpoint> endpoint, SlotEvents* events,
                                 bool trace_bytes)
    : slot_(std::move(slot)),
      endpoint_text_(std::move(endpoint_text)),
      endpoint_(std::move(endpoint)),
      events_(events),
      trace_bytes_(trace_bytes && events != nullptr) {
  endpoint_->SetListener(
      [this](Endpoint::Event event, const std::string& detail) { OnEvent(event, detail); });
}

namespace {

// A burst of traffic ends after this much quiet, or at this many bytes.
constexpr std::int64_t kTraceQuietUs = 20'000;
constexpr std::size_t kTraceChunk = 64;
// The model advances on every port access, a microsecond apart; checking on
// the far end (a program's exit, a connection under way) once a millisecond
// is soon enough, and keeps system calls off the program's port accesses.
constexpr std::int64_t kServiceEveryUs = 1000;

// Bytes as C escapes, so the log stays one line per burst and shows
// exactly what crossed.
std::string Escaped(std::string_view bytes) {
  std::string text;
  for (char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte == '\\') {
      text += "\\\\";
    } else if (byte == '\r') {
      text += "\\r";
    } else if (byte == '\n') {
      text += "\\n";
    } else if (byte < 0x20 || byte >= 0x7F) {
      static constexpr char kHex[] = "0123456789abcdef";
      text += "\\x";
      text += kHex[byte >> 4];
      text += kHex[byte & 0x0F];
    } else {
      text += c;
    }
  }
  return text;
}

}  // namespace

ExternalConsole::~ExternalConsole() {
  FlushTrace();
}

void ExternalConsole::Receive(std::uint8_t byte, std::int64_t now_us, std::string& /*out*/) {
  now_us_ = now_us;
  const char c = static_cast<char>(byte);
  endpoint_->Write(std::string_view(&c, 1));
  ++traffic_.to_far_end;
  if (trace_bytes_) Trace('>', std::string_view(&c, 1));
}

void ExternalConsole::Tick(std::int64_t now_us, std::string& /*out*/) {
  now_us_ = now_us;
  if (now_us < next_service_us_) return;
  next_service_us_ = now_us + kServiceEveryUs;
  if (trace_bytes_ && !trace_.empty() && now_us - trace_last_us_ > kTraceQuietUs) FlushTrace();
  endpoint_->Service(now_us);
}

std::size_t ExternalConsole::Supply(std::size_t max, std::string& out) {
  const std::size_t before = out.size();
  const std::size_t got = endpoint_->Read(max, out);
  traffic_.from_far_end += got;
  if (trace_bytes_ && got > 0) Trace('<', std::string_view(out).substr(before));
  return got;
}

void ExternalConsole::Trace(char direction, std::string_view bytes) {
  if (direction != trace_direction_ || trace_.size() >= kTraceChunk) FlushTrace();
  if (trace_.empty()) trace_start_us_ = now_us_;
  trace_direction_ = direction;
  trace_last_us_ = now_us_;
  trace_ += bytes;
}

void ExternalConsole::FlushTrace() {
  if (trace_.empty() || events_ == nullptr) return;
  events_->Log(trace_start_us_, slot_,
               std::string(trace_direction_ == '>' ? "to it: " : "from it: ") + Escaped(trace_));
  trace_.clear();
}

void ExternalConsole::OnEvent(Endpoint::Event event, const std::string& detail) {
  std::string text;
  switch (event) {
    case Endpoint::Event::kUp:
      last_failure_.clear();
      text = "up: " + detail;
      break;
    case Endpoint::Event::kDown:
      ++traffic_.disconnects;
      text = "down: " + detail;
      break;
    case Endpoint::Event::kFailed:
      ++traffic_.failed_attempts;
      if (detail == last_failure_) return;
      last_failure_ = detail;
      text = "cannot open: " + detail + " (trying again)";
      break;
    case Endpoint::Event::kNote:
      text = detail;
      break;
  }
  if (events_ != nullptr) events_->Log(now_us_, slot_, endpoint_text_ + ": " + text);
}

}  // namespace r7n::sim
