#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "sim/posix_endpoints.h"

namespace r7n::sim {
namespace {

struct Rate {
  int baud;
  speed_t speed;
};

constexpr Rate kRates[] = {
    {1200, B1200},       {2400, B2400},       {4800, B4800},       {9600, B9600},
    {19200, B19200},     {38400, B38400},     {57600, B57600},     {115200, B115200},
    {230400, B230400},   {460800, B460800},   {921600, B921600},   {1000000, B1000000},
    {1500000, B1500000}, {2000000, B2000000}, {3000000, B3000000},
};

std::optional<speed_t> SpeedFor(int baud) {
  for (const Rate& rate : kRates) {
    if (rate.baud == baud) return rate.speed;
  }
  return std::nullopt;
}

// An open serial port, which an unplugged USB adapter hangs up.
class SerialConnection : public FdConnection {
 public:
  using FdConnection::FdConnection;

  std::optional<std::string> Gone(std::int64_t /*now_us*/) override {
    pollfd state{Fd(), 0, 0};
    if (::poll(&state, 1, 0) > 0 && (state.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
      return std::string("port hung up (unplugged?)");
    }
    return std::nullopt;
  }
};

}  // namespace

SerialEndpoint::SerialEndpoint(std::string device, int baud, std::int64_t retry_us)
    : FdEndpoint(retry_us), device_(std::move(device)), baud_(baud) {}

FdEndpoint::Opened SerialEndpoint::Open() {
  const std::optional<speed_t> speed = SpeedFor(baud_);
  if (!speed) return {nullptr, "a serial port cannot run at " + std::to_string(baud_) + " bit/s"};
  UniqueFd fd(::open(device_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (!fd) return {nullptr, ErrnoText(errno)};
  termios mode{};
  if (::tcgetattr(fd.Get(), &mode) != 0) return {nullptr, "not a serial port: " + ErrnoText(errno)};
  // Raw 8N1: no echo, no line editing, no translation, no flow control of
  // either kind; modem lines ignored, so an unwired port still reads.
  ::cfmakeraw(&mode);
  mode.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
  mode.c_cflag |= CS8 | CLOCAL | CREAD;
  mode.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  ::cfsetispeed(&mode, *speed);
  ::cfsetospeed(&mode, *speed);
  if (::tcsetattr(fd.Get(), TCSANOW, &mode) != 0) {
    return {nullptr, "cannot set the port up: " + ErrnoText(errno)};
  }
  ::tcflush(fd.Get(), TCIOFLUSH);
  return {std::make_unique<SerialConnection>(std::move(fd)),
          "open at " + std::to_string(baud_) + " bit/s, 8N1"};
}

}  // namespace r7n::sim
