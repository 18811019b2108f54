#include "bench/stream_compare.h"

#include <algorithm>

namespace r7n::bench {
namespace {

constexpr std::size_t kChunk = 64 * 1024;

// What is left of a source once the other has ended.
std::uint64_t Drain(const ByteSource& source, std::string& buffer, bool more) {
  std::uint64_t bytes = buffer.size();
  while (more) {
    buffer.clear();
    more = source(buffer, kChunk);
    bytes += buffer.size();
  }
  return bytes;
}

}  // namespace

StreamComparison CompareStreams(const ByteSource& expected, const ByteSource& actual) {
  StreamComparison result;
  std::string want;
  std::string got;
  bool want_more = true;
  bool got_more = true;
  for (;;) {
    if (want_more && want.size() < kChunk) want_more = expected(want, kChunk - want.size());
    if (got_more && got.size() < kChunk) got_more = actual(got, kChunk - got.size());
    const std::size_t n = std::min(want.size(), got.size());
    if (n == 0) break;
    const auto end = want.begin() + static_cast<std::ptrdiff_t>(n);
    const auto diff = std::mismatch(want.begin(), end, got.begin());
    if (!result.first_difference && diff.first != end) {
      result.first_difference =
          result.expected + static_cast<std::uint64_t>(diff.first - want.begin());
    }
    result.expected += n;
    result.actual += n;
    want.erase(0, n);
    got.erase(0, n);
  }
  // One of them has ended: the rest of the other is all difference.
  if (!result.first_difference && (!want.empty() || !got.empty())) {
    result.first_difference = result.expected;
  }
  result.expected += Drain(expected, want, want_more);
  result.actual += Drain(actual, got, got_more);
  return result;
}

ByteSource FileSource(std::ifstream& in) {
  return [&in](std::string& out, std::size_t max) {
    const std::size_t had = out.size();
    out.resize(had + max);
    in.read(out.data() + had, static_cast<std::streamsize>(max));
    out.resize(had + static_cast<std::size_t>(in.gcount()));
    return in.gcount() > 0;
  };
}

ByteSource TextSource(const std::string& text) {
  return [&text, at = std::size_t{0}](std::string& out, std::size_t max) mutable {
    if (at >= text.size()) return false;
    const std::size_t n = std::min(max, text.size() - at);
    out.append(text, at, n);
    at += n;
    return true;
  };
}

}  // namespace r7n::bench
