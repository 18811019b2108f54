// The POSIX endpoints against real pseudo-terminals, programs and sockets:
// what each does when its far end is missing, goes away or comes back. Time
// here is the real clock, and every wait has a deadline; nothing is timed.

#include "sim/posix_endpoints.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace r7n::sim {
namespace {

namespace fs = std::filesystem;

std::int64_t NowUs() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Services the endpoint and collects what it reads until done() or 10 s.
struct Watch {
  explicit Watch(Endpoint& endpoint) : endpoint_(endpoint) {
    endpoint.SetListener([this](Endpoint::Event event, const std::string& detail) {
      events.push_back(event);
      details.push_back(detail);
    });
  }
  bool Until(const std::function<bool()>& done) {
    const std::int64_t deadline = NowUs() + 10'000'000;
    while (NowUs() < deadline) {
      endpoint_.Service(NowUs());
      endpoint_.Read(4096, read);
      if (done()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
  }
  int Count(Endpoint::Event event) const {
    int n = 0;
    for (Endpoint::Event e : events) n += e == event ? 1 : 0;
    return n;
  }
  std::string Log() const {
    std::string text;
    for (const std::string& detail : details) text += detail + "; ";
    return text + "read: " + read;
  }

  Endpoint& endpoint_;
  std::vector<Endpoint::Event> events;
  std::vector<std::string> details;
  std::string read;
};

class PosixEndpointsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("r7n_endpoints_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

TEST_F(PosixEndpointsTest, AProgramIsStartedAgainEachTimeItEnds) {
  struct Case {
    std::string command;
    std::string says;   // what it writes before it ends, first run
    std::string ended;  // how the events log says it ended
  };
  // A descriptor the simulator holds without close-on-exec, as the capture
  // file may be: the program must not inherit it.
  const int held = ::open("/dev/null", O_RDONLY);
  ASSERT_GE(held, 3);
  const Case cases[] = {
      {"printf 'hello'", "hello", "exited with status 0"},
      {"test -e /proc/$$/fd/" + std::to_string(held) + " || printf closed", "closed",
       "exited with status 0"},
      {"/nonexistent/getty", "", "exited with status 127"},  // cannot start: the slot is silent
      {"kill -TERM $$", "", "killed by signal 15"},
      // Its own terminal: the program sees a tty on all three descriptors.
      {"test -t 0 && test -t 1 && test -t 2 && printf tty", "tty", "exited with status 0"},
  };
  for (const Case& c : cases) {
    ExecEndpoint endpoint(c.command, 0);
    Watch watch(endpoint);
    ASSERT_TRUE(watch.Until([&] { return watch.Count(Endpoint::Event::kUp) >= 2; }))
        << c.command << ": " << watch.Log();
    EXPECT_EQ(watch.read.substr(0, c.says.size()), c.says) << c.command;
    EXPECT_EQ(watch.details[1], c.ended) << c.command << ": " << watch.Log();
  }
  ::close(held);
}

TEST_F(PosixEndpointsTest, AProgramsProcessGroupEndsWithTheEndpoint) {
  const fs::path pid_file = dir_ / "pid";
  pid_t child = 0;
  {
    ExecEndpoint endpoint("sleep 1000 & echo $! > " + pid_file.string() + "; wait", 1'000'000);
    Watch watch(endpoint);
    ASSERT_TRUE(watch.Until([&] {
      std::ifstream in(pid_file);
      return static_cast<bool>(in >> child);
    }));
    ASSERT_EQ(::kill(child, 0), 0);
  }
  // Reaped by whoever inherits it; give that a moment.
  const std::int64_t deadline = NowUs() + 5'000'000;
  while (::kill(child, 0) == 0 && NowUs() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_NE(::kill(child, 0), 0) << "sleep " << child << " outlived the endpoint";
}

TEST_F(PosixEndpointsTest, APtyIsReachedThroughItsLinkUntilTheEndpointGoes) {
  const fs::path link = dir_ / "slot";
  {
    PtyEndpoint endpoint(link.string(), 0);
    Watch watch(endpoint);
    ASSERT_TRUE(watch.Until([&] { return fs::is_symlink(link); })) << watch.Log();
    const int fd = ::open(link.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "to the line", 11), 11);
    ASSERT_TRUE(watch.Until([&] { return watch.read == "to the line"; })) << watch.Log();
    endpoint.Write("to the program");
    char buffer[64] = {};
    std::string heard;
    const std::int64_t deadline = NowUs() + 5'000'000;
    while (heard.size() < 14 && NowUs() < deadline) {
      const ssize_t n = ::read(fd, buffer, sizeof buffer);
      if (n > 0) heard.append(buffer, static_cast<std::size_t>(n));
    }
    EXPECT_EQ(heard, "to the program");  // raw: no echo, no translation
    ::close(fd);
    // A program that lets go of the slot does not take it down.
    watch.Until([] { return true; });
    EXPECT_EQ(watch.Count(Endpoint::Event::kDown), 0);
  }
  EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
}

TEST_F(PosixEndpointsTest, EndpointsThatCannotOpenAreRetriedAndSaySo) {
  const fs::path plain = dir_ / "plain";
  std::ofstream(plain) << "not mine";
  struct Case {
    std::function<std::unique_ptr<Endpoint>()> make;
    std::string says;
  };
  const Case cases[] = {
      {[&] { return std::make_unique<PtyEndpoint>((dir_ / "no/such/dir").string(), 0); },
       "cannot link"},
      {[&] { return std::make_unique<PtyEndpoint>(plain.string(), 0); },
       "exists and is not a symbolic link"},
      {[&] {
         return std::make_unique<SocketEndpoint>(
             EndpointAddress{EndpointAddress::Kind::kUnix, (dir_ / "none.sock").string(), 0}, 0);
       },
       "No such file or directory"},
      {[&] { return std::make_unique<SerialEndpoint>((dir_ / "ttyUSB9").string(), 115200, 0); },
       "No such file or directory"},
      {[&] { return std::make_unique<SerialEndpoint>(plain.string(), 115200, 0); },
       "not a serial port"},
      {[&] { return std::make_unique<SerialEndpoint>("/dev/null", 12345, 0); },
       "cannot run at 12345 bit/s"},
  };
  for (const Case& c : cases) {
    std::unique_ptr<Endpoint> endpoint = c.make();
    Watch watch(*endpoint);
    ASSERT_TRUE(watch.Until([&] { return watch.Count(Endpoint::Event::kFailed) >= 2; })) << c.says;
    EXPECT_NE(watch.details[0].find(c.says), std::string::npos) << watch.details[0];
    EXPECT_EQ(watch.Count(Endpoint::Event::kUp), 0);
    endpoint->Write("nobody hears this");  // and nothing breaks
  }
  // The file that was in the way of a link is still there, untouched.
  std::string kept;
  std::getline(std::ifstream(plain), kept);
  EXPECT_EQ(kept, "not mine");
}

TEST_F(PosixEndpointsTest, ASerialPortIsRawAtTheLineRateAndGoesWhenUnplugged) {
  // A pseudo-terminal's slave side stands in for the port: a tty with the
  // same termios, whose hang-up is what an unplugged USB adapter gives.
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(::grantpt(master), 0);
  ASSERT_EQ(::unlockpt(master), 0);
  const std::string port = ::ptsname(master);
  SerialEndpoint endpoint(port, 57600, 1'000'000);
  Watch watch(endpoint);
  ASSERT_TRUE(watch.Until([&] { return watch.Count(Endpoint::Event::kUp) == 1; })) << watch.Log();
  EXPECT_EQ(watch.details[0], "open at 57600 bit/s, 8N1");
  const int probe = ::open(port.c_str(), O_RDWR | O_NOCTTY);
  termios mode{};
  ASSERT_EQ(::tcgetattr(probe, &mode), 0);
  ::close(probe);
  EXPECT_EQ(::cfgetospeed(&mode), static_cast<speed_t>(B57600));
  EXPECT_EQ(mode.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), static_cast<tcflag_t>(CS8));
  EXPECT_EQ(mode.c_lflag & (ICANON | ECHO | ISIG), 0u);
  EXPECT_EQ(mode.c_iflag & (IXON | IXOFF | ICRNL), 0u);
  ASSERT_EQ(::write(master, "\x03\r\x7f", 3), 3);  // bytes a cooked tty would act on
  ASSERT_TRUE(watch.Until([&] { return watch.read.size() == 3; })) << watch.Log();
  EXPECT_EQ(watch.read, "\x03\r\x7f");
  ::close(master);
  ASSERT_TRUE(watch.Until([&] { return watch.Count(Endpoint::Event::kDown) == 1; })) << watch.Log();
}

// A listening UNIX socket that a test can close and open again.
class Listener {
 public:
  explicit Listener(fs::path path) : path_(std::move(path)) {}
  ~Listener() { Close(); }
  void Open() {
    listen_fd_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path_.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(listen_fd_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listen_fd_, 1), 0);
    ::fcntl(listen_fd_, F_SETFL, O_NONBLOCK);
  }
  bool Accept() {
    conn_fd_ = ::accept(listen_fd_, nullptr, nullptr);
    return conn_fd_ >= 0;
  }
  void Send(const std::string& text) {
    ASSERT_EQ(::write(conn_fd_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  }
  void Close() {
    if (conn_fd_ >= 0) ::close(conn_fd_);
    if (listen_fd_ >= 0) ::close(listen_fd_);
    conn_fd_ = listen_fd_ = -1;
    fs::remove(path_);
  }

 private:
  fs::path path_;
  int listen_fd_ = -1;
  int conn_fd_ = -1;
};

TEST_F(PosixEndpointsTest, ASocketIsConnectedAgainAfterTheFarEndCloses) {
  const fs::path path = dir_ / "vm.sock";
  SocketEndpoint endpoint(EndpointAddress{EndpointAddress::Kind::kUnix, path.string(), 0}, 0);
  Watch watch(endpoint);
  ASSERT_TRUE(watch.Until([&] { return watch.Count(Endpoint::Event::kFailed) >= 1; }));
  Listener vm(path);
  for (int round = 1; round <= 2; ++round) {
    vm.Open();
    ASSERT_TRUE(watch.Until([&] { return vm.Accept(); })) << watch.Log();
    vm.Send("boot " + std::to_string(round));
    ASSERT_TRUE(watch.Until([&] { return watch.read.ends_with("boot " + std::to_string(round)); }))
        << watch.Log();
    vm.Close();
    ASSERT_TRUE(watch.Until([&] { return watch.Count(Endpoint::Event::kDown) == round; }))
        << watch.Log();
  }
  EXPECT_EQ(watch.Count(Endpoint::Event::kUp), 2);
}

}  // namespace
}  // namespace r7n::sim
