#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "sim/posix_endpoints.h"

namespace r7n::sim {
namespace {

// The master side of a pseudo-terminal, the slave side the simulator holds
// open, and the link that leads others to it.
class PtyConnection : public FdConnection {
 public:
  PtyConnection(UniqueFd master, UniqueFd slave, std::string link, std::string slave_name)
      : FdConnection(std::move(master)),
        slave_(std::move(slave)),
        link_(std::move(link)),
        slave_name_(std::move(slave_name)) {}
  ~PtyConnection() override {
    // A link that someone has pointed elsewhere meanwhile is theirs now.
    std::error_code error;
    if (std::filesystem::read_symlink(link_, error) == slave_name_) {
      std::filesystem::remove(link_, error);
    }
  }

 private:
  UniqueFd slave_;
  std::string link_;
  std::string slave_name_;
};

UniqueFd OpenRawSlave(const std::string& name) {
  UniqueFd slave(::open(name.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
  termios mode{};
  if (slave && ::tcgetattr(slave.Get(), &mode) == 0) {
    ::cfmakeraw(&mode);
    ::tcsetattr(slave.Get(), TCSANOW, &mode);
  }
  return slave;
}

}  // namespace

PtyEndpoint::PtyEndpoint(std::string link, std::int64_t retry_us)
    : FdEndpoint(retry_us), link_(std::move(link)) {}

FdEndpoint::Opened PtyEndpoint::Open() {
  UniqueFd master(::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (!master) return {nullptr, "no pseudo-terminal: " + ErrnoText(errno)};
  const char* name = nullptr;
  if (::grantpt(master.Get()) != 0 || ::unlockpt(master.Get()) != 0 ||
      (name = ::ptsname(master.Get())) == nullptr) {
    return {nullptr, "no pseudo-terminal: " + ErrnoText(errno)};
  }
  std::string slave_name = name;
  UniqueFd slave = OpenRawSlave(slave_name);
  // Only a link (ours from an earlier run, or a stale one) is replaced; any
  // other file at that name is not the simulator's to remove.
  std::error_code error;
  const auto status = std::filesystem::symlink_status(link_, error);
  if (!error && std::filesystem::exists(status) && !std::filesystem::is_symlink(status)) {
    return {nullptr, link_ + " exists and is not a symbolic link"};
  }
  std::filesystem::remove(link_, error);
  std::filesystem::create_symlink(slave_name, link_, error);
  if (error) return {nullptr, "cannot link " + link_ + ": " + error.message()};
  std::string detail = slave_name + " linked at " + link_;
  return {std::make_unique<PtyConnection>(std::move(master), std::move(slave), link_,
                                          std::move(slave_name)),
          std::move(detail)};
}

}  // namespace r7n::sim
