#pragma once

#include <cstdint>
#include <string>

#include "platform/open_result.h"
#include "platform/port_io.h"

namespace r7n {

// The PC's I/O ports through Linux's /dev/port, where the byte at offset N is
// port N. A failed access is counted rather than thrown: the caller sees the
// bus as empty (a read gives 0xFF) and can report the counts at the end.
class DevPortIo : public PortIo {
 public:
  static constexpr const char* kDevicePath = "/dev/port";

  // Opens the device for reading and writing; path is for tests.
  static OpenResult<DevPortIo> Open(const std::string& path = kDevicePath);

  ~DevPortIo() override;
  DevPortIo(const DevPortIo&) = delete;
  DevPortIo& operator=(const DevPortIo&) = delete;

  void Out(std::uint16_t port, std::uint8_t value) override;
  std::uint8_t In(std::uint16_t port) override;

  int ReadErrors() const { return read_errors_; }
  int WriteErrors() const { return write_errors_; }

 private:
  explicit DevPortIo(int fd) : fd_(fd) {}

  int fd_;
  int read_errors_ = 0;
  int write_errors_ = 0;
};

}  // namespace r7n
