#include "sim/chassis.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "sim/manual_clock.h"

namespace r7n::sim {
namespace {

// The tests spell ports and registers as numbers from the register map, not
// through the model's constants, so a wrong constant in the model fails here.

ChassisConfig WithUnits(bool base1, bool base2, std::uint8_t revision = 1) {
  ChassisConfig config;
  config.base1.fitted = base1;
  config.base2.fitted = base2;
  config.board_revision = revision;
  return config;
}

struct RegWrite {
  std::uint8_t reg;
  std::uint8_t value;
};

class ChassisTest : public ::testing::Test {
 protected:
  void Make(ChassisConfig config) { chassis_.emplace(clock_, config); }

  static std::uint16_t DataPort(int unit) { return unit == 1 ? 0x310 : 0x312; }
  static std::uint16_t IndexPort(int unit) { return unit == 1 ? 0x311 : 0x313; }

  void WriteReg(int unit, std::uint8_t reg, std::uint8_t value) {
    chassis_->Out(IndexPort(unit), reg);
    chassis_->Out(DataPort(unit), value);
  }
  std::uint8_t ReadReg(int unit, std::uint8_t reg) {
    chassis_->Out(IndexPort(unit), reg);
    return chassis_->In(DataPort(unit));
  }
  void WriteRegs(int unit, const std::vector<RegWrite>& writes) {
    for (const RegWrite& w : writes) WriteReg(unit, w.reg, w.value);
  }
  const BaseUnit& Base(int unit) const { return chassis_->Base(unit); }
  const UartModel& Uart(int unit) const { return chassis_->Base(unit).Uart(); }

  ManualClock clock_;
  std::optional<Chassis> chassis_{std::in_place, clock_};
};

struct BoardIdCase {
  ChassisConfig config;
  int unit;
  std::uint8_t expected;
};

TEST_F(ChassisTest, BoardIdShowsPresenceAndRevision) {
  const BoardIdCase cases[] = {
      {{}, 1, 0xD1},
      {{}, 2, 0xD1},
      {WithUnits(true, true, 0), 1, 0xD0},
      {WithUnits(true, true, 0x0F), 2, 0xDF},
      {WithUnits(true, true, 0x23), 1, 0xD3},  // only the low nibble fits the register
      {WithUnits(false, true), 1, 0xFF},
      {WithUnits(false, true), 2, 0xD1},
      {WithUnits(true, false), 1, 0xD1},
      {WithUnits(true, false), 2, 0xFF},
      {WithUnits(false, false), 2, 0xFF},
  };
  for (const BoardIdCase& c : cases) {
    Make(c.config);
    EXPECT_EQ(ReadReg(c.unit, 0x00), c.expected)
        << "unit " << c.unit << " revision " << int{c.config.board_revision};
    EXPECT_EQ(Base(c.unit).Fitted(), c.expected != 0xFF);
  }
}

TEST_F(ChassisTest, IndexStaysSelectedAcrossDataAccesses) {
  chassis_->Out(0x311, 0x00);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(chassis_->In(0x310), 0xD1) << "read " << i;
  EXPECT_EQ(Base(1).Index(), 0x00);

  WriteRegs(1, {{0x30, 0x3D}, {0x31, 0x04}});
  chassis_->Out(0x311, 0x32);
  const std::vector<std::uint8_t> text = {'a', 'b', 'c'};
  for (std::uint8_t byte : text) chassis_->Out(0x310, byte);
  EXPECT_EQ(chassis_->In(0x310), 0x02) << "the same index reads the transmit status: busy";
  clock_.SleepMs(1);
  EXPECT_EQ(chassis_->In(0x310), 0x01) << "empty once the three bytes are out";
  EXPECT_EQ(Uart(1).TransmittedBytes(), text);
  EXPECT_EQ(Base(1).Index(), 0x32);
}

TEST_F(ChassisTest, BaseUnitsKeepTheirOwnState) {
  WriteRegs(1, {{0x30, 0x3D}, {0x31, 0x04}});
  chassis_->Out(0x311, 0x32);
  chassis_->Out(0x313, 0x00);
  chassis_->Out(0x310, 'x');
  EXPECT_EQ(chassis_->In(0x312), 0xD1);
  EXPECT_EQ(Base(1).Index(), 0x32);
  EXPECT_EQ(Base(2).Index(), 0x00);
  clock_.SleepMs(1);
  chassis_->CatchUp();
  EXPECT_EQ(Uart(1).TransmittedBytes(), std::vector<std::uint8_t>{'x'});
  EXPECT_TRUE(Uart(2).TransmittedBytes().empty());

  WriteReg(2, 0x37, 0x60);
  EXPECT_EQ(Base(1).SelectedDevice(), Device::kZcp);
  EXPECT_EQ(Base(2).SelectedDevice(), Device::kModuleC);
}

struct DivisorCase {
  std::vector<RegWrite> writes;
  std::uint16_t expected;
};

TEST_F(ChassisTest, DivisorLatchesFromItsTwoRegisters) {
  const DivisorCase cases[] = {
      {{}, 0},
      {{{0x30, 0x3D}, {0x31, 0x04}}, 1085},
      {{{0x31, 0x08}, {0x30, 0x7A}}, 2170},  // either byte first
      {{{0x30, 0xDD}, {0x31, 0x32}}, 13021},
      {{{0x30, 0x3D}, {0x31, 0x04}, {0x30, 0x7A}}, 0x047A},  // the other byte is kept
      {{{0x30, 0xFF}, {0x31, 0xFF}, {0x31, 0x00}}, 0x00FF},
  };
  for (const DivisorCase& c : cases) {
    Make({});
    WriteRegs(1, c.writes);
    EXPECT_EQ(Uart(1).Divisor(), c.expected);
  }
}

TEST_F(ChassisTest, ChannelProgrammingSequenceOnBaseUnit2) {
  WriteRegs(2, {{0x37, 0x50}, {0x30, 0x3D}, {0x31, 0x04}, {0x36, 0xC1}, {0x33, 0x01}});
  EXPECT_EQ(Base(2).SelectedDevice(), Device::kModuleB);
  EXPECT_EQ(Uart(2).Divisor(), 1085);
  EXPECT_EQ(Uart(2).ReceiverInits(), 1);
  EXPECT_EQ(Uart(2).CtlValue(), 0x01);
  EXPECT_EQ(Uart(1).Divisor(), 0);
  EXPECT_EQ(Uart(1).ReceiverInits(), 0);
}

struct SelectorCase {
  std::uint8_t value;
  Device device;
  bool zcp_in_reset;
};

TEST_F(ChassisTest, ChannelSelectorRoutesTheLine) {
  EXPECT_EQ(Base(1).SelectedDevice(), Device::kZcp) << "power-up";
  EXPECT_FALSE(Base(1).ZcpInReset()) << "power-up";
  const SelectorCase cases[] = {
      {0x40, Device::kModuleA, false}, {0x50, Device::kModuleB, false},
      {0x60, Device::kModuleC, false}, {0x70, Device::kModuleD, false},
      {0x00, Device::kZcp, false},     {0x01, Device::kZcp, true},
      {0x41, Device::kNone, false},    {0x10, Device::kNone, false},
      {0x80, Device::kNone, false},    {0xFF, Device::kNone, false},
  };
  for (const SelectorCase& c : cases) {
    Make({});
    WriteReg(1, 0x37, c.value);
    EXPECT_EQ(Base(1).SelectedDevice(), c.device) << "selector " << int{c.value};
    EXPECT_EQ(Base(1).ZcpInReset(), c.zcp_in_reset) << "selector " << int{c.value};
  }
}

TEST_F(ChassisTest, ZcpResetPulseEndsWhenTheSelectorIsCleared) {
  EXPECT_EQ(Base(1).ZcpResetCount(), 0);
  EXPECT_EQ(Base(1).ZcpResetEndedUs(), std::nullopt);

  clock_.SleepMs(5);
  chassis_->Out(0x311, 0x37);
  chassis_->Out(0x310, 0x01);
  clock_.SleepMs(10);
  EXPECT_TRUE(Base(1).ZcpInReset());
  EXPECT_EQ(Base(1).ZcpResetCount(), 0) << "still held";
  chassis_->Out(0x310, 0x00);  // the index still selects the channel selector

  EXPECT_FALSE(Base(1).ZcpInReset());
  EXPECT_EQ(Base(1).SelectedDevice(), Device::kZcp);
  EXPECT_EQ(Base(1).ZcpResetCount(), 1);
  EXPECT_EQ(Base(1).ZcpResetEndedUs(), 15'000);
  EXPECT_EQ(Base(2).ZcpResetCount(), 0);
}

struct ResetCountCase {
  std::vector<std::uint8_t> selector_writes;
  int resets;
};

TEST_F(ChassisTest, OnlyAReleaseFromResetCountsAsAReset) {
  const ResetCountCase cases[] = {
      {{0x00}, 0},
      {{0x01}, 0},
      {{0x01, 0x01, 0x00}, 1},
      {{0x01, 0x00, 0x00}, 1},
      {{0x01, 0x00, 0x01, 0x00}, 2},
      {{0x01, 0x40}, 1},  // leaving the reset value releases the line whatever is selected
  };
  for (const ResetCountCase& c : cases) {
    Make({});
    for (std::uint8_t value : c.selector_writes) WriteReg(1, 0x37, value);
    EXPECT_EQ(Base(1).ZcpResetCount(), c.resets) << "after " << c.selector_writes.size();
  }
}

struct CfgCase {
  std::vector<std::uint8_t> writes;
  int inits;
  std::uint8_t last;
};

TEST_F(ChassisTest, UartCfgCountsReceiverInitialisations) {
  const CfgCase cases[] = {
      {{}, 0, 0x00},
      {{0xC1}, 1, 0xC1},
      {{0xC1, 0xC1, 0xC1}, 3, 0xC1},
      {{0xC0, 0x41, 0x01}, 0, 0x01},
      {{0xC1, 0x80}, 1, 0x80},
  };
  for (const CfgCase& c : cases) {
    Make({});
    for (std::uint8_t value : c.writes) WriteReg(1, 0x36, value);
    EXPECT_EQ(Uart(1).ReceiverInits(), c.inits);
    EXPECT_EQ(Uart(1).CfgValue(), c.last);
  }
}

TEST_F(ChassisTest, UartCtlKeepsTheLastValue) {
  EXPECT_EQ(Uart(1).CtlValue(), 0x00);
  WriteReg(1, 0x33, 0x01);
  EXPECT_EQ(Uart(1).CtlValue(), 0x01);
  WriteReg(1, 0x33, 0x5A);
  EXPECT_EQ(Uart(1).CtlValue(), 0x5A);
}

struct ReadCase {
  std::uint8_t reg;
  std::uint8_t expected;
};

TEST_F(ChassisTest, RegisterReadsAtPowerUp) {
  const ReadCase cases[] = {
      {0x32, 0x01},  // transmitter empty and ready
      {0x34, 0x00},
      {0x35, 0x00},
      {0x36, 0x00},
      // write-only and unmapped registers float
      {0x30, 0xFF},
      {0x31, 0xFF},
      {0x33, 0xFF},
      {0x37, 0xFF},
      {0x01, 0xFF},
      {0x2F, 0xFF},
      {0x38, 0xFF},
      {0xFF, 0xFF},
  };
  for (const ReadCase& c : cases) {
    EXPECT_EQ(ReadReg(1, c.reg), c.expected) << "register " << int{c.reg};
    EXPECT_EQ(ReadReg(2, c.reg), c.expected) << "register " << int{c.reg};
  }
}

TEST_F(ChassisTest, WritesToReadOnlyAndUnmappedRegistersChangeNothing) {
  WriteRegs(1,
            {{0x00, 0x12}, {0x34, 0x55}, {0x35, 0x7F}, {0x01, 0x40}, {0x38, 0x01}, {0xB7, 0x50}});
  EXPECT_EQ(ReadReg(1, 0x00), 0xD1);
  EXPECT_EQ(ReadReg(1, 0x35), 0x00);
  EXPECT_EQ(Base(1).SelectedDevice(), Device::kZcp);
  EXPECT_FALSE(Base(1).ZcpInReset());
  EXPECT_EQ(Uart(1).Divisor(), 0);
  EXPECT_EQ(Uart(1).CtlValue(), 0x00);
  EXPECT_EQ(Uart(1).CfgValue(), 0x00);
  EXPECT_TRUE(Uart(1).TransmittedBytes().empty());
}

TEST_F(ChassisTest, UnfittedBaseUnitIgnoresWritesAndReadsEmpty) {
  Make(WithUnits(true, false));
  WriteRegs(2, {{0x37, 0x01}, {0x30, 0x3D}, {0x31, 0x04}, {0x36, 0xC1}, {0x33, 0x01}, {0x32, 'x'}});
  chassis_->Out(0x313, 0x32);
  EXPECT_EQ(chassis_->In(0x312), 0xFF);
  EXPECT_EQ(Base(2).Index(), 0x00);
  EXPECT_FALSE(Base(2).ZcpInReset());
  EXPECT_EQ(Uart(2).Divisor(), 0);
  EXPECT_EQ(Uart(2).ReceiverInits(), 0);
  EXPECT_EQ(Uart(2).CtlValue(), 0x00);
  EXPECT_TRUE(Uart(2).TransmittedBytes().empty());
}

TEST_F(ChassisTest, PortsOutsideTheMapReadEmpty) {
  // Includes the write-only reset and index ports, and the neighbours of the map.
  const std::uint16_t ports[] = {0x0000, 0x2A3, 0x2A4, 0x2A5, 0x30F, 0x311,
                                 0x313,  0x314, 0x320, 0x3F8, 0xFFFF};
  for (std::uint16_t port : ports) EXPECT_EQ(chassis_->In(port), 0xFF) << "port " << port;
}

TEST_F(ChassisTest, WritesOutsideTheMapAreIgnored) {
  chassis_->Out(0x2A4, 0x00);
  chassis_->Out(0x311, 0x30);
  const std::uint16_t ports[] = {0x2A3, 0x2A5, 0x30F, 0x314, 0x315, 0x410, 0x1310};
  for (std::uint16_t port : ports) chassis_->Out(port, 0x37);
  EXPECT_EQ(chassis_->KjBusValue(), 0x00);
  EXPECT_EQ(Base(1).Index(), 0x30);
  EXPECT_EQ(Base(2).Index(), 0x00);
  EXPECT_EQ(Uart(1).Divisor(), 0);
  EXPECT_EQ(Uart(2).Divisor(), 0);
}

struct KjCase {
  std::vector<std::uint8_t> writes;
  std::uint8_t value;
  bool in_reset;
};

TEST_F(ChassisTest, KjBusFollowsTheLatestByteWritten) {
  const KjCase cases[] = {
      {{}, 0xFF, true},  // held in reset until the program releases it
      {{0x00}, 0x00, false},      {{0x00, 0xFF}, 0xFF, true}, {{0xFF, 0x00}, 0x00, false},
      {{0x00, 0x01}, 0x01, true},
  };
  for (const KjCase& c : cases) {
    Make({});
    for (std::uint8_t value : c.writes) chassis_->Out(0x2A4, value);
    EXPECT_EQ(chassis_->In(0x2A4), 0xFF) << "write-only";
    EXPECT_EQ(chassis_->KjBusValue(), c.value);
    EXPECT_EQ(chassis_->KjBusInReset(), c.in_reset);
  }
}

TEST_F(ChassisTest, KjBusResetLeavesTheBaseUnitsAlone) {
  WriteReg(1, 0x37, 0x40);
  chassis_->Out(0x2A4, 0xFF);
  chassis_->Out(0x2A4, 0x00);
  EXPECT_EQ(Base(1).SelectedDevice(), Device::kModuleA);
  EXPECT_EQ(Base(1).Index(), 0x37);
}

TEST_F(ChassisTest, OnlyBaseUnitsOneAndTwoExist) {
  EXPECT_THROW(chassis_->Base(0), std::out_of_range);
  EXPECT_THROW(chassis_->Base(3), std::out_of_range);
  EXPECT_THROW(chassis_->MutableBase(3), std::out_of_range);
  EXPECT_THROW(chassis_->MutableBase(1).Module(4), std::out_of_range);
  EXPECT_THROW(chassis_->MutableBase(1).Module(-1), std::out_of_range);
}

struct SlotCase {
  int unit;
  int slot;
  std::optional<ModuleVariant> variant;  // none: a silent slot
  const char* address;
};

TEST_F(ChassisTest, SlotsHoldTheConfiguredModulesEachWithItsOwnAddress) {
  ChassisConfig config;
  config.base1.modules = {ModuleKind::kR7n, ModuleKind::kSilent, ModuleKind::kTr7n,
                          ModuleKind::kR7n};
  Make(config);
  const SlotCase cases[] = {
      {1, 0, ModuleVariant::kR7n, "192.168.0.11"},  {1, 1, std::nullopt, nullptr},
      {1, 2, ModuleVariant::kTr7n, "192.168.0.13"}, {1, 3, ModuleVariant::kR7n, "192.168.0.14"},
      {2, 0, ModuleVariant::kTr7n, "192.168.0.21"}, {2, 1, ModuleVariant::kTr7n, "192.168.0.22"},
      {2, 2, ModuleVariant::kTr7n, "192.168.0.23"}, {2, 3, ModuleVariant::kTr7n, "192.168.0.24"},
  };
  for (const SlotCase& c : cases) {
    const ModuleConsole* module = chassis_->MutableBase(c.unit).Module(c.slot);
    ASSERT_EQ(module != nullptr, c.variant.has_value()) << c.unit << "/" << c.slot;
    if (module == nullptr) continue;
    EXPECT_EQ(module->Variant(), *c.variant) << c.unit << "/" << c.slot;
    const std::string* interfaces = module->File("/etc/network/interfaces");
    ASSERT_NE(interfaces, nullptr);
    EXPECT_NE(interfaces->find(std::string("address ") + c.address + "\n"), std::string::npos)
        << *interfaces;
  }
}

TEST_F(ChassisTest, BadLineSettingsAreRefused) {
  ChassisConfig no_rate;
  no_rate.line_baud = 0;
  EXPECT_THROW(Make(no_rate), std::invalid_argument);
  ChassisConfig no_fifo;
  no_fifo.rx_fifo_depth = 0;
  EXPECT_THROW(Make(no_fifo), std::invalid_argument);
}

}  // namespace
}  // namespace r7n::sim
