// A stand-in for /dev/port, preloaded (LD_PRELOAD) into r7n_uart: the
// program's accesses to that device are answered by a simulated chassis in
// the same process, on the real clock, so the real-chassis program itself can
// be measured against the simulator's modules without being built for it.
//
// R7N_PORT_STAND_IN holds r7n_uart_sim's chassis options separated by white
// space (unset or empty: the simulator's default chassis). The chassis is made
// at the first open of /dev/port, not when the library loads: the programs the
// console starts inherit the preload and must run as they would without it.
// Every other call goes on to the C library untouched.

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/bus_paced_port_io.h"
#include "platform/real_clock.h"
#include "sim/chassis.h"
#include "sim/sim_options.h"

#define R7N_INTERPOSE extern "C" __attribute__((visibility("default")))

namespace {

constexpr const char* kDevicePath = "/dev/port";
constexpr const char* kOptionsVariable = "R7N_PORT_STAND_IN";
// The device's size: the kernel reads and writes nothing past the last port.
constexpr off64_t kPortCount = 65536;

[[noreturn]] void Refuse(const std::string& why) {
  std::fprintf(stderr, "%s: %s\n", kOptionsVariable, why.c_str());
  _exit(2);
}

// The C library's own entry, looked up once. Without it nothing can go on.
template <typename Function>
Function Next(const char* name) {
  void* symbol = dlsym(RTLD_NEXT, name);
  if (symbol == nullptr) Refuse(std::string("the C library has no ") + name);
  return reinterpret_cast<Function>(symbol);
}

// The simulated chassis as r7n_uart_sim builds it, with the same pacing of a
// microsecond a port access, so the program's bounded status waits last as
// long as on the bus.
class PacedChassis {
 public:
  explicit PacedChassis(const r7n::sim::ChassisConfig& config)
      : chassis_(clock_, config), bus_(chassis_, clock_) {}

  r7n::PortIo& Bus() { return bus_; }

 private:
  r7n::RealClock clock_;
  r7n::sim::Chassis chassis_;
  r7n::BusPacedPortIo bus_;
};

r7n::sim::ChassisConfig ConfigFromEnvironment() {
  std::vector<std::string> words{"r7n_port_stand_in"};
  if (const char* text = std::getenv(kOptionsVariable)) {
    std::istringstream in(text);
    for (std::string word; in >> word;) words.push_back(word);
  }
  std::vector<const char*> argv;
  for (const std::string& word : words) argv.push_back(word.c_str());
  const r7n::sim::SimOptionsResult options =
      r7n::sim::ParseSimOptions(static_cast<int>(argv.size()), argv.data());
  using Kind = r7n::sim::SimOptionsResult::Kind;
  if (options.kind == Kind::kError) Refuse(options.error);
  if (options.kind != Kind::kRun) {
    Refuse("takes the chassis options of r7n_uart_sim (r7n_uart_sim --help lists them)");
  }
  // These belong to the simulator program, not to its chassis; taking them
  // without doing what they say would mislead.
  if (!options.screen_dump.empty()) Refuse("--screen-dump is r7n_uart_sim's, not the chassis'");
  if (!options.events_file.empty()) Refuse("--events is r7n_uart_sim's, not the chassis'");
  r7n::sim::ChassisConfig config = options.config;
  // Nobody inspects the lines here, and a long flood would fill memory.
  config.keep_line_history = false;
  return config;
}

// Everything below is guarded by the mutex: the program may reach the ports
// from more than one thread, and the chassis is one bus.
std::mutex mutex;
std::optional<PacedChassis> chassis;
std::vector<int> stand_in_fds;
// Read without the lock, so that every other descriptor's reads and writes
// pass without waiting while no stand-in is open.
std::atomic<int> open_count{0};

bool IsStandIn(int fd) {
  return std::find(stand_in_fds.begin(), stand_in_fds.end(), fd) != stand_in_fds.end();
}

int OpenStandIn(int flags) {
  const std::lock_guard lock(mutex);
  if (!chassis) {
    try {
      chassis.emplace(ConfigFromEnvironment());
    } catch (const std::exception& error) {
      Refuse(std::string("cannot build the chassis: ") + error.what());
    }
  }
  // A real descriptor, so that whatever the program does with it besides
  // reading and writing ports (close, its close-on-exec flag) behaves.
  const int fd = memfd_create("r7n-port-stand-in", (flags & O_CLOEXEC) != 0 ? MFD_CLOEXEC : 0U);
  if (fd < 0) return -1;
  stand_in_fds.push_back(fd);
  open_count.fetch_add(1);
  return fd;
}

// What /dev/port does for a read or write of count bytes at offset: one port
// after another from port number offset, stopping at the last port. Empty when
// fd is not a stand-in.
template <typename Access>
std::optional<ssize_t> PortAccess(int fd, size_t count, off64_t offset, Access access) {
  if (open_count.load() == 0) return std::nullopt;
  const std::lock_guard lock(mutex);
  if (!IsStandIn(fd)) return std::nullopt;
  if (offset < 0) {
    errno = EINVAL;
    return -1;
  }
  size_t done = 0;
  for (off64_t port = offset; done < count && port < kPortCount; ++port, ++done) {
    access(static_cast<std::uint16_t>(port), done);
  }
  return static_cast<ssize_t>(done);
}

std::optional<ssize_t> ReadPorts(int fd, void* buf, size_t count, off64_t offset) {
  auto* bytes = static_cast<std::uint8_t*>(buf);
  return PortAccess(fd, count, offset,
                    [bytes](std::uint16_t port, size_t i) { bytes[i] = chassis->Bus().In(port); });
}

std::optional<ssize_t> WritePorts(int fd, const void* buf, size_t count, off64_t offset) {
  const auto* bytes = static_cast<const std::uint8_t*>(buf);
  return PortAccess(fd, count, offset,
                    [bytes](std::uint16_t port, size_t i) { chassis->Bus().Out(port, bytes[i]); });
}

// Whether open's flags carry a mode argument.
bool TakesMode(int flags) {
  return (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE;
}

bool IsDevicePath(const char* path) {
  return path != nullptr && std::strcmp(path, kDevicePath) == 0;
}

}  // namespace

// Reads open's mode argument, when its flags carry one, into a new variable;
// a macro, since only the variadic function itself can reach its arguments.
#define R7N_OPEN_MODE(mode, flags) \
  mode_t mode = 0;                 \
  if (TakesMode(flags)) {          \
    va_list args;                  \
    va_start(args, flags);         \
    mode = va_arg(args, mode_t);   \
    va_end(args);                  \
  }

R7N_INTERPOSE int open(const char* path, int flags, ...) {
  static const auto next = Next<int (*)(const char*, int, ...)>("open");
  if (IsDevicePath(path)) return OpenStandIn(flags);
  R7N_OPEN_MODE(mode, flags);
  return next(path, flags, mode);
}

R7N_INTERPOSE int open64(const char* path, int flags, ...) {
  static const auto next = Next<int (*)(const char*, int, ...)>("open64");
  if (IsDevicePath(path)) return OpenStandIn(flags);
  R7N_OPEN_MODE(mode, flags);
  return next(path, flags, mode);
}

R7N_INTERPOSE int openat(int dir_fd, const char* path, int flags, ...) {
  static const auto next = Next<int (*)(int, const char*, int, ...)>("openat");
  if (IsDevicePath(path)) return OpenStandIn(flags);
  R7N_OPEN_MODE(mode, flags);
  return next(dir_fd, path, flags, mode);
}

R7N_INTERPOSE int openat64(int dir_fd, const char* path, int flags, ...) {
  static const auto next = Next<int (*)(int, const char*, int, ...)>("openat64");
  if (IsDevicePath(path)) return OpenStandIn(flags);
  R7N_OPEN_MODE(mode, flags);
  return next(dir_fd, path, flags, mode);
}

R7N_INTERPOSE ssize_t pread(int fd, void* buf, size_t count, off_t offset) {
  static const auto next = Next<ssize_t (*)(int, void*, size_t, off_t)>("pread");
  if (const auto done = ReadPorts(fd, buf, count, offset)) return *done;
  return next(fd, buf, count, offset);
}

R7N_INTERPOSE ssize_t pread64(int fd, void* buf, size_t count, off64_t offset) {
  static const auto next = Next<ssize_t (*)(int, void*, size_t, off64_t)>("pread64");
  if (const auto done = ReadPorts(fd, buf, count, offset)) return *done;
  return next(fd, buf, count, offset);
}

R7N_INTERPOSE ssize_t pwrite(int fd, const void* buf, size_t count, off_t offset) {
  static const auto next = Next<ssize_t (*)(int, const void*, size_t, off_t)>("pwrite");
  if (const auto done = WritePorts(fd, buf, count, offset)) return *done;
  return next(fd, buf, count, offset);
}

R7N_INTERPOSE ssize_t pwrite64(int fd, const void* buf, size_t count, off64_t offset) {
  static const auto next = Next<ssize_t (*)(int, const void*, size_t, off64_t)>("pwrite64");
  if (const auto done = WritePorts(fd, buf, count, offset)) return *done;
  return next(fd, buf, count, offset);
}

R7N_INTERPOSE int close(int fd) {
  static const auto next = Next<int (*)(int)>("close");
  if (open_count.load() != 0) {
    const std::lock_guard lock(mutex);
    const auto found = std::find(stand_in_fds.begin(), stand_in_fds.end(), fd);
    if (found != stand_in_fds.end()) {
      stand_in_fds.erase(found);
      open_count.fetch_sub(1);
    }
  }
  // The chassis stays: the hardware does not go away when the device is
  // closed, and a second open finds it as the first left it.
  return next(fd);
}
