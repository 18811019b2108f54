#pragma once

#include <cstdint>
#include <fstream>
#include <functional>
#include <optional>
#include <string>

namespace r7n::bench {

// A byte stream read piece by piece: appends up to max bytes to out (at
// least one while it has more) and returns false once it has none.
using ByteSource = std::function<bool(std::string& out, std::size_t max)>;

// A byte stream that came out against the one that was due.
struct StreamComparison {
  std::uint64_t expected = 0;
  std::uint64_t actual = 0;
  // Offset of the first byte that differs, or where the shorter one ends.
  std::optional<std::uint64_t> first_difference;
  bool Equal() const { return !first_difference.has_value(); }
};

// Reads both to the end in chunks, so a day's capture is never held whole.
StreamComparison CompareStreams(const ByteSource& expected, const ByteSource& actual);

// The rest of an open file. The file must outlive the source.
ByteSource FileSource(std::ifstream& in);
// A text in memory. The text must outlive the source.
ByteSource TextSource(const std::string& text);

}  // namespace r7n::bench
