#include "platform/posix/dev_port_io.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace r7n {
namespace {

constexpr std::uint8_t kEmptyBus = 0xFF;

// The kernel wants both the file's permissions (read and write for root only)
// and CAP_SYS_RAWIO, so an operator account needs CAP_DAC_OVERRIDE as well;
// other failures (no such device) are not helped by either.
std::string OpenFailure(const std::string& path, int error) {
  std::string message = "r7n_uart: cannot open " + path + ": " + std::strerror(error);
  if (error == EACCES || error == EPERM) {
    message += " (run as root, or give the program cap_sys_rawio,cap_dac_override+ep)";
  }
  return message;
}

}  // namespace

OpenResult<DevPortIo> DevPortIo::Open(const std::string& path) {
  // Not inherited by the programs the console runs: they have no business
  // with the ports.
  const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return {nullptr, OpenFailure(path, errno)};
  return {std::unique_ptr<DevPortIo>(new DevPortIo(fd)), ""};
}

DevPortIo::~DevPortIo() {
  ::close(fd_);
}

void DevPortIo::Out(std::uint16_t port, std::uint8_t value) {
  if (::pwrite(fd_, &value, 1, static_cast<off_t>(port)) != 1) ++write_errors_;
}

std::uint8_t DevPortIo::In(std::uint16_t port) {
  std::uint8_t value = 0;
  if (::pread(fd_, &value, 1, static_cast<off_t>(port)) != 1) {
    ++read_errors_;
    return kEmptyBus;
  }
  return value;
}

}  // namespace r7n
