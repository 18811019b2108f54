#include "module/network_settings.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "module/module_login.h"
#include "testing/chassis_rig.h"

namespace r7n {
namespace {

struct ReplyCase {
  const char* name;
  std::string reply;
  std::int32_t found;
  std::string address;
  friend void PrintTo(const ReplyCase& c, std::ostream* os) { *os << c.name; }
};

class AddressInReplyTest : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(AddressInReplyTest, TakesTheFirstAddressLine) {
  const AddressReading reading = AddressInReply(GetParam().reply);
  EXPECT_EQ(reading.found, GetParam().found);
  EXPECT_EQ(reading.address, GetParam().address);
}

const std::string kEcho = "cat /etc/network/interfaces \r\n";

INSTANTIATE_TEST_SUITE_P(
    Replies, AddressInReplyTest,
    ::testing::Values(
        ReplyCase{"plain line", kEcho + "address 192.168.127.130\r\n", 1, "192.168.127.130"},
        ReplyCase{"indented", kEcho + "    address 10.1.2.3\r\n    netmask x\r\n", 1, "10.1.2.3"},
        ReplyCase{"extra spaces trimmed", kEcho + "address    1.2.3.4   \r\n", 1, "1.2.3.4"},
        ReplyCase{"tabs kept", kEcho + "address \t1.2.3.4\t\r\n", 1, "\t1.2.3.4\t"},
        ReplyCase{"first of several", kEcho + "address 1.1.1.1\r\naddress 2.2.2.2\r\n", 1,
                  "1.1.1.1"},
        ReplyCase{"keyword alone", "address \r\n", 1, ""},
        ReplyCase{"cut off before the CR", kEcho + "address 192.168.1", 0, "xxx.xxx.xxx.xxx"},
        ReplyCase{"no address line", kEcho + "iface eth0 inet dhcp\r\n", 0, "xxx.xxx.xxx.xxx"},
        ReplyCase{"keyword needs its space", "addresses\r\n", 0, "xxx.xxx.xxx.xxx"},
        ReplyCase{"empty reply", "", 0, "xxx.xxx.xxx.xxx"},
        ReplyCase{"a distribution's stanza: hwaddress and a commented-out address first",
                  kEcho + "\thwaddress ether 02:00:5e:10:00:01\r\n\t#address 10.9.8.7\r\n"
                          "\taddress 192.168.0.11\r\n",
                  1, "192.168.0.11"},
        ReplyCase{"a comment that mentions an address", kEcho + "# address 10.9.8.7\r\n", 0,
                  "xxx.xxx.xxx.xxx"},
        ReplyCase{"CIDR as written", kEcho + "  address 192.168.0.11/24\r\n", 1,
                  "192.168.0.11/24"}));

struct SetupReplyCase {
  const char* name;
  std::string file;  // as the shell prints it, between the echo and the prompt
  bool shows_setup;
  friend void PrintTo(const SetupReplyCase& c, std::ostream* os) { *os << c.name; }
};

class ReplyShowsSetupTest : public ::testing::TestWithParam<SetupReplyCase> {};

TEST_P(ReplyShowsSetupTest, OnlyTheSixLinesWrittenCount) {
  const std::string reply =
      kEcho + "\x1b[?2004l\r" + GetParam().file + "\x1b[?2004hroot@kt20r-r7n:~# ";
  EXPECT_EQ(ReplyShowsSetup(reply, "192.168.127.130"), GetParam().shows_setup);
}

const std::string kWritten =
    "auto lo\r\niface lo inet loopback\r\niface eth0 inet static\r\n"
    "address 192.168.127.130\r\nnetmask 255.255.255.0\r\nmtu 9000\r\n";

INSTANTIATE_TEST_SUITE_P(
    Files, ReplyShowsSetupTest,
    ::testing::Values(
        SetupReplyCase{"as written, with echo's empty line", kWritten + "\r\n", true},
        SetupReplyCase{"the old file still there",
                       "auto lo\r\niface eth0 inet static\r\n  address 10.0.0.1\r\n", false},
        SetupReplyCase{"another address",
                       "auto lo\r\niface lo inet loopback\r\niface eth0 inet static\r\n"
                       "address 192.168.127.131\r\nnetmask 255.255.255.0\r\n"
                       "mtu 9000\r\n",
                       false},
        SetupReplyCase{"a line more", kWritten + "gateway 1.2.3.4\r\n", false},
        SetupReplyCase{"echo -e not understood", "-e " + kWritten, false}));

TEST(ReplyShowsSetup, NeedsTheEchoAndThePromptAroundTheFile) {
  EXPECT_FALSE(ReplyShowsSetup(kEcho + kWritten, "192.168.127.130")) << "cut off";
  EXPECT_FALSE(ReplyShowsSetup(kWritten + "root@kt20r-r7n:~# ", "192.168.127.130")) << "no echo";
}

TEST(AddressSetupCommand, Is152BytesForEveryPlannedAddress) {
  const std::string expected =
      "echo -e \"auto lo\\niface lo inet loopback\\niface eth0 inet static\\n"
      "address 192.168.127.129\\nnetmask 255.255.255.0\\nmtu 9000\\n\" > "
      "/etc/network/interfaces\r";
  EXPECT_EQ(AddressSetupCommand("192.168.127.129"), expected);
  for (int last = 100; last <= 255; ++last) {
    EXPECT_EQ(AddressSetupCommand("192.168.127." + std::to_string(last)).size(), 152u);
  }
}

class NetworkSettingsTest : public ::testing::Test {
 protected:
  NetworkSettingsTest() {
    sim::ChassisConfig config;
    config.base1.modules = {sim::ModuleKind::kR7nShell, sim::ModuleKind::kR7nNoAddress,
                            sim::ModuleKind::kR7n, sim::ModuleKind::kR7n};
    rig_ = std::make_unique<testing::ChassisRig>(config);
  }
  NetworkSettings Settings() { return NetworkSettings(rig_->link, rig_->uart, rig_->con); }

  std::unique_ptr<testing::ChassisRig> rig_;
};

TEST_F(NetworkSettingsTest, ReadsTheAddressOfALoggedInModule) {
  rig_->Select(1, 1);
  const AddressReading reading = Settings().GetMIpAdr();
  EXPECT_EQ(reading.found, 1);
  EXPECT_EQ(reading.address, "192.168.0.11");
}

TEST_F(NetworkSettingsTest, AFileWithoutAddressGivesThePlaceholder) {
  rig_->Select(1, 2);
  ModuleLogin(rig_->link, rig_->uart, rig_->con).LogMIn();
  const AddressReading reading = Settings().GetMIpAdr();
  EXPECT_EQ(reading.found, 0);
  EXPECT_EQ(reading.address, "xxx.xxx.xxx.xxx");
}

TEST_F(NetworkSettingsTest, WriteGoesOutAs128And24BytesAndRewritesTheFile) {
  rig_->Select(1, 1);
  rig_->recorder.Clear();
  Settings().SetMIpAdr("192.168.127.129");
  // Blocks: the data bytes written after each index write of UartTxSta.
  std::vector<int> blocks;
  std::uint8_t index = 0;
  for (const auto& a : rig_->recorder.Trace()) {
    if (a.write && a.port == 0x311) {
      index = a.value;
      if (index == 0x32) blocks.push_back(0);
    } else if (a.write && a.port == 0x310 && index == 0x32) {
      ++blocks.back();
    }
  }
  EXPECT_EQ(blocks, (std::vector<int>{128, 24, 0})) << "two blocks, then the wait for empty";
  rig_->clock.AdvanceUs(100'000);
  rig_->chassis.CatchUp();
  EXPECT_EQ(*rig_->chassis.MutableBase(1).Module(0)->File("/etc/network/interfaces"),
            "auto lo\niface lo inet loopback\niface eth0 inet static\naddress 192.168.127.129\n"
            "netmask 255.255.255.0\nmtu 9000\n\n");
  EXPECT_EQ(Settings().ChkMIpAdr("192.168.127.129"), 1);
}

}  // namespace
}  // namespace r7n
