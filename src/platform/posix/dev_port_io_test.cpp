#include "platform/posix/dev_port_io.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace r7n {
namespace {

namespace fs = std::filesystem;

// A file that stands in for /dev/port: the byte at offset N is port N.
class PortFile : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = fs::temp_directory_path() / ("r7n_port_" + std::to_string(::getpid()));
    std::ofstream(path_, std::ios::binary) << std::string(kSize, '\0');
  }
  void TearDown() override { fs::remove(path_); }

  std::vector<std::uint8_t> Contents() const {
    std::ifstream in(path_, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  static constexpr std::size_t kSize = 0x400;
  fs::path path_;
};

TEST_F(PortFile, WritesAndReadsTheByteAtThePortsOffset) {
  auto opened = DevPortIo::Open(path_.string());
  ASSERT_NE(opened.device, nullptr) << opened.error;
  EXPECT_EQ(opened.error, "");
  struct Access {
    std::uint16_t port;
    std::uint8_t value;
  };
  const Access accesses[] = {{0x2A4, 0x00}, {0x310, 0x5A}, {0x311, 0x30},
                             {0x312, 0xA5}, {0x313, 0xFF}, {0x000, 0x01}};
  for (const Access& a : accesses) opened.device->Out(a.port, a.value);

  const std::vector<std::uint8_t> bytes = Contents();
  ASSERT_EQ(bytes.size(), kSize);
  for (const Access& a : accesses) {
    EXPECT_EQ(bytes[a.port], a.value) << "port " << a.port;
    EXPECT_EQ(opened.device->In(a.port), a.value) << "port " << a.port;
  }
  EXPECT_EQ(bytes[0x30F], 0);
  EXPECT_EQ(bytes[0x314], 0);
  EXPECT_EQ(opened.device->ReadErrors(), 0);
  EXPECT_EQ(opened.device->WriteErrors(), 0);
}

TEST_F(PortFile, AFailedReadIsCountedAndReadsAsAnEmptyBus) {
  auto opened = DevPortIo::Open(path_.string());
  ASSERT_NE(opened.device, nullptr) << opened.error;
  EXPECT_EQ(opened.device->In(0xFFFF), 0xFF);  // past the end of the file
  EXPECT_EQ(opened.device->In(0xFFFE), 0xFF);
  EXPECT_EQ(opened.device->ReadErrors(), 2);
  EXPECT_EQ(opened.device->WriteErrors(), 0);
}

TEST_F(PortFile, ClosesTheDeviceWhenDestroyed) {
  auto count_open = [] {
    return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator());
  };
  const auto before = count_open();
  {
    auto opened = DevPortIo::Open(path_.string());
    ASSERT_NE(opened.device, nullptr);
    EXPECT_EQ(count_open(), before + 1);
  }
  EXPECT_EQ(count_open(), before);
}

TEST(DevPortIo, AFailedWriteIsCounted) {
  // Every write to /dev/full fails with "no space left".
  auto opened = DevPortIo::Open("/dev/full");
  ASSERT_NE(opened.device, nullptr) << opened.error;
  opened.device->Out(0x310, 0x12);
  opened.device->Out(0x311, 0x34);
  EXPECT_EQ(opened.device->WriteErrors(), 2);
  EXPECT_EQ(opened.device->ReadErrors(), 0);
}

TEST(DevPortIo, AMissingDeviceIsReportedInOneLineWithoutAPermissionHint) {
  auto opened = DevPortIo::Open("/nonexistent/port");
  EXPECT_EQ(opened.device, nullptr);
  EXPECT_EQ(opened.error, "r7n_uart: cannot open /nonexistent/port: No such file or directory");
}

TEST_F(PortFile, ARefusedDeviceNamesThePermissionNeeded) {
  if (::geteuid() == 0) GTEST_SKIP() << "root may open any file";
  ::chmod(path_.c_str(), 0);
  auto opened = DevPortIo::Open(path_.string());
  EXPECT_EQ(opened.device, nullptr);
  EXPECT_EQ(opened.error, "r7n_uart: cannot open " + path_.string() +
                              ": Permission denied (run as root, or give the program "
                              "cap_sys_rawio,cap_dac_override+ep)");
}

}  // namespace
}  // namespace r7n
