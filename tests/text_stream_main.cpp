// Prints the first BYTES bytes of what a text module of the simulated chassis
// sends, so that a check can compare a capture with it byte for byte.

#include <charconv>
#include <cstdio>
#include <string>
#include <string_view>

#include "sim/text_module.h"

int main(int argc, char** argv) {
  long long bytes = 0;
  const std::string_view arg = argc == 2 ? argv[1] : "";
  const auto [end, error] = std::from_chars(arg.data(), arg.data() + arg.size(), bytes);
  if (arg.empty() || error != std::errc() || end != arg.data() + arg.size() || bytes < 0) {
    std::fprintf(stderr, "usage: r7n_text_stream BYTES (a number of bytes, 0 or more)\n");
    return 2;
  }
  r7n::sim::TextGenerator stream;
  constexpr long long kChunk = 1 << 16;
  for (long long left = bytes; left > 0; left -= kChunk) {
    const std::string piece = stream.Next(static_cast<std::size_t>(left < kChunk ? left : kChunk));
    if (std::fwrite(piece.data(), 1, piece.size(), stdout) != piece.size()) return 1;
  }
  return std::fflush(stdout) == 0 ? 0 : 1;
}
