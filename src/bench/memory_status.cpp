#include "bench/memory_status.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#if defined(__GLIBC__) && (__GLIBC__ > 2 || __GLIBC_MINOR__ >= 33)
#include <malloc.h>
#define R7N_HAVE_MALLINFO2 1
#endif

namespace r7n::bench {
namespace {

// The number of a "Name:   1234 kB" line; none when the line is not there.
std::optional<std::int64_t> FieldKib(std::string_view status, std::string_view name) {
  std::size_t at = 0;
  while (at < status.size()) {
    const std::size_t end = std::min(status.find('\n', at), status.size());
    std::string_view line = status.substr(at, end - at);
    at = end + 1;
    if (line.substr(0, name.size()) != name || line.substr(name.size(), 1) != ":") continue;
    line.remove_prefix(name.size() + 1);
    const std::size_t digits = line.find_first_not_of(" \t");
    if (digits == std::string_view::npos) return std::nullopt;
    line.remove_prefix(digits);
    std::int64_t value = 0;
    const auto [rest, error] = std::from_chars(line.data(), line.data() + line.size(), value);
    const std::string_view unit(rest, static_cast<std::size_t>(line.data() + line.size() - rest));
    if (error != std::errc() || unit.substr(0, 3) != " kB") return std::nullopt;
    return value;
  }
  return std::nullopt;
}

}  // namespace

std::optional<MemoryStatus> ParseMemoryStatus(std::string_view status) {
  const std::optional<std::int64_t> rss = FieldKib(status, "VmRSS");
  const std::optional<std::int64_t> hwm = FieldKib(status, "VmHWM");
  if (!rss || !hwm) return std::nullopt;
  return MemoryStatus{*rss, *hwm};
}

std::optional<MemoryStatus> ReadMemoryStatus() {
  std::ifstream in("/proc/self/status");
  if (!in) return std::nullopt;
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  return ParseMemoryStatus(text);
}

std::optional<std::int64_t> HeapInUseBytes() {
#ifdef R7N_HAVE_MALLINFO2
  const struct mallinfo2 info = mallinfo2();
  return static_cast<std::int64_t>(info.uordblks + info.hblkhd);
#else
  return std::nullopt;
#endif
}

}  // namespace r7n::bench
