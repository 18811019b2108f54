#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "sim/posix_endpoints.h"

namespace r7n::sim {

PtyEndpoint::PtyEndpoint(std::string link, std::int64_t retry_us)
    : FdEndpoint(retry_us), link_(std::move(link)) {}

PtyEndpoint::~PtyEndpoint() {
  Shut();
}

FdEndpoint::Opened PtyEndpoint::Open() {
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (master < 0) return {-1, "no pseudo-terminal: " + ErrnoText(errno)};
  const char* name = nullptr;
  if (::grantpt(master) != 0 || ::unlockpt(master) != 0 || (name = ::ptsname(master)) == nullptr) {
    const int error = errno;
    ::close(master);
    return {-1, "no pseudo-terminal: " + ErrnoText(error)};
  }
  slave_name_ = name;
  slave_fd_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  termios mode{};
  if (slave_fd_ >= 0 && ::tcgetattr(slave_fd_, &mode) == 0) {
    ::cfmakeraw(&mode);
    ::tcsetattr(slave_fd_, TCSANOW, &mode);
  }
  // Only a link (ours from an earlier run, or a stale one) is replaced; any
  // other file at that name is not the simulator's to remove.
  std::error_code error;
  const auto status = std::filesystem::symlink_status(link_, error);
  if (!error && std::filesystem::exists(status) && !std::filesystem::is_symlink(status)) {
    Release();
    ::close(master);
    return {-1, link_ + " exists and is not a symbolic link"};
  }
  std::filesystem::remove(link_, error);
  std::filesystem::create_symlink(slave_name_, link_, error);
  if (error) {
    Release();
    ::close(master);
    return {-1, "cannot link " + link_ + ": " + error.message()};
  }
  return {master, slave_name_ + " linked at " + link_};
}

void PtyEndpoint::Release() {
  std::error_code error;
  if (!slave_name_.empty() && std::filesystem::read_symlink(link_, error) == slave_name_) {
    std::filesystem::remove(link_, error);
  }
  if (slave_fd_ >= 0) ::close(slave_fd_);
  slave_fd_ = -1;
  slave_name_.clear();
}

}  // namespace r7n::sim
