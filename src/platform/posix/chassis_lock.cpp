// The chassis lock on Linux: flock on a file, released by the kernel when the
// last descriptor of its open file closes (the descriptor is not inherited).

#include "platform/chassis_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace r7n {
namespace {

class FileLock : public ChassisLock {
 public:
  explicit FileLock(int fd) : fd_(fd) {}
  ~FileLock() override { ::close(fd_); }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  int fd_;
};

std::string ReadHolder(int fd) {
  char text[256];
  const ssize_t got = ::pread(fd, text, sizeof text - 1, 0);
  std::string_view holder(text, got > 0 ? static_cast<std::size_t>(got) : 0);
  while (!holder.empty() && (holder.back() == '\n' || holder.back() == '\0')) {
    holder.remove_suffix(1);
  }
  return holder.empty() ? "another program" : std::string(holder);
}

void WriteHolder(int fd, const std::string& holder) {
  const std::string line = holder + "\n";
  // Only a description for whoever is refused: a file that cannot be written
  // still locks.
  if (::ftruncate(fd, 0) == 0) {
    [[maybe_unused]] const ssize_t written = ::pwrite(fd, line.data(), line.size(), 0);
  }
}

ChassisLockResult Failed(const std::string& place, int error) {
  return {ChassisLockResult::State::kFailed, nullptr,
          "cannot take the chassis lock " + place + ": " + std::strerror(error)};
}

}  // namespace

std::string DefaultChassisLockPlace() {
  if (const char* place = std::getenv("R7N_UART_LOCK"); place != nullptr && *place != '\0') {
    return place;
  }
  struct stat dir {};
  if (::stat("/run/lock", &dir) == 0 && S_ISDIR(dir.st_mode)) return "/run/lock/r7n_uart.lock";
  return "/tmp/r7n_uart.lock";
}

ChassisLockResult LockChassis(const std::string& place, const std::string& holder) {
  int fd = ::open(place.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  // Another operator account made the file: reading is enough to lock it.
  if (fd < 0 && errno == EACCES) fd = ::open(place.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Failed(place, errno);
  // Every operator account must be able to take the lock after this one.
  ::fchmod(fd, 0666);
  if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
    WriteHolder(fd, holder);
    return {ChassisLockResult::State::kHeld, std::make_unique<FileLock>(fd), {}};
  }
  const int error = errno;
  if (error != EWOULDBLOCK) {
    ::close(fd);
    return Failed(place, error);
  }
  std::string message = "the chassis is in use by " + ReadHolder(fd) + " (lock " + place + ")";
  ::close(fd);
  return {ChassisLockResult::State::kInUse, nullptr, std::move(message)};
}

}  // namespace r7n
