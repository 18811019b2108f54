#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace r7n::bench {

// The process's memory as the kernel counts it, in KiB.
struct MemoryStatus {
  std::int64_t rss_kib = 0;  // VmRSS: resident now
  std::int64_t hwm_kib = 0;  // VmHWM: the most that was ever resident
};

// The two figures from the text of /proc/<pid>/status; none when either line
// is missing or unreadable.
std::optional<MemoryStatus> ParseMemoryStatus(std::string_view status);

// This process's figures; none where there is no /proc (Windows).
std::optional<MemoryStatus> ReadMemoryStatus();

// Bytes the C library's allocator has handed out and not yet been given
// back, small blocks and large alike: unlike VmRSS, it does not hide a leak
// in pages that are resident anyway. None where the C library does not say.
std::optional<std::int64_t> HeapInUseBytes();

}  // namespace r7n::bench
