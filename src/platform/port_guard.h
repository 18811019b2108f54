#pragma once

#include <cstdint>
#include <vector>

#include "platform/port_io.h"

namespace r7n {

// Lets through only the ports of the chassis: the KJ bus reset port 0x2A4 and
// the two base units' data and index ports 0x310..0x313. On a real PC a stray
// write elsewhere can hang the machine, so any other access is refused: it is
// never performed, a read yields 0xFF (an empty bus), and it is kept for the
// report that the program prints when it ends.
class PortGuard : public PortIo {
 public:
  struct Refusal {
    std::uint16_t port;
    bool write;
    std::uint8_t value;  // written value; 0 for reads
  };

  explicit PortGuard(PortIo& inner) : inner_(inner) {}

  static bool Allowed(std::uint16_t port);

  void Out(std::uint16_t port, std::uint8_t value) override;
  std::uint8_t In(std::uint16_t port) override;

  // The first refused accesses, in order; at most kMaxKept of them.
  const std::vector<Refusal>& Refusals() const { return refusals_; }
  // Every refused access, kept or not.
  std::uint64_t RefusedCount() const { return refused_count_; }

  static constexpr std::size_t kMaxKept = 64;  // the first ones tell the story

 private:
  void Refuse(std::uint16_t port, bool write, std::uint8_t value);

  PortIo& inner_;
  std::vector<Refusal> refusals_;
  std::uint64_t refused_count_ = 0;
};

}  // namespace r7n
