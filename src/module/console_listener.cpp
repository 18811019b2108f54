#include "module/console_listener.h"

#include "module/console_reply.h"

namespace r7n {
namespace {

constexpr std::int32_t kChunkBytes = 1000;
constexpr std::int64_t kUsPerMs = 1000;

}  // namespace

Heard ConsoleListener::Listen(const Expectation& expected, const ListenLimits& limits) {
  Heard heard;
  const std::int64_t start_us = clock_.NowUs();
  std::int64_t last_byte_us = start_us;
  bool looked_at = true;  // the reply as it stands has been judged
  for (;;) {
    // Returns once the line has been quiet for a tick.
    const UartReceived got = uart_.UartRcvNbyt(link_.ChanAdr(), kChunkBytes, kTickMs, 1);
    const std::int64_t now_us = clock_.NowUs();
    if (!got.text.empty()) {
      heard.reply += got.text;
      if (heard.reply.size() > kWindowBytes) {
        heard.reply.erase(0, heard.reply.size() - kWindowBytes);
      }
      last_byte_us = now_us;
      looked_at = false;
    }
    if (!looked_at && now_us - last_byte_us >= limits.settle_ms * kUsPerMs) {
      looked_at = true;
      heard.readable = ReadableReply(heard.reply);
      if (expected(heard.readable)) {
        heard.expected = true;
        return heard;
      }
    }
    const std::int64_t elapsed_us = now_us - start_us;
    const bool silent =
        heard.reply.empty() && limits.silent_ms > 0 && elapsed_us >= limits.silent_ms * kUsPerMs;
    if (silent || elapsed_us >= limits.total_ms * kUsPerMs) {
      heard.readable = ReadableReply(heard.reply);
      return heard;
    }
  }
}

}  // namespace r7n
