#include "app/main_menu.h"

#include <gtest/gtest.h>

#include <ostream>

namespace r7n {
namespace {

struct DispatchCase {
  KeyCode key;
  MenuChoice choice;
  friend void PrintTo(const DispatchCase& c, std::ostream* os) {
    for (char b : c.key) *os << std::hex << (static_cast<int>(b) & 0xFF) << "_";
  }
};

class MenuDispatchTest : public ::testing::TestWithParam<DispatchCase> {};

TEST_P(MenuDispatchTest, ChoosesTheActionOfTheKey) {
  EXPECT_EQ(ChooseMenuAction(GetParam().key), GetParam().choice)
      << "key " << ::testing::PrintToString(GetParam().key);
}

using A = MenuAction;

INSTANTIATE_TEST_SUITE_P(
    Keys, MenuDispatchTest,
    ::testing::Values(
        DispatchCase{"1", {A::kZcpTerminal, 1, 0}}, DispatchCase{"2", {A::kZcpTerminal, 2, 0}},
        DispatchCase{"R", {A::kZcpReset, 1, 0}}, DispatchCase{"r", {A::kZcpReset, 1, 0}},
        DispatchCase{"Z", {A::kZcpReset, 2, 0}}, DispatchCase{"z", {A::kZcpReset, 2, 0}},
        DispatchCase{"N", {A::kZcpVersion, 1, 0}}, DispatchCase{"v", {A::kViewIpAddress, 0, 0}},
        DispatchCase{"S", {A::kSetIpAddress, 0, 0}}, DispatchCase{"A", {A::kModuleConsole, 1, 0}},
        DispatchCase{"b", {A::kModuleConsole, 1, 1}}, DispatchCase{"C", {A::kModuleConsole, 1, 2}},
        DispatchCase{"D", {A::kModuleConsole, 1, 3}}, DispatchCase{"e", {A::kModuleConsole, 2, 0}},
        DispatchCase{"F", {A::kModuleConsole, 2, 1}}, DispatchCase{"G", {A::kModuleConsole, 2, 2}},
        DispatchCase{"h", {A::kModuleConsole, 2, 3}}, DispatchCase{"K", {A::kModuleLogout, 0, 0}},
        DispatchCase{"k", {A::kModuleLogout, 0, 0}}, DispatchCase{"P", {A::kBusReset, 0, 0}},
        DispatchCase{"q", {A::kQuit, 0, 0}}, DispatchCase{"Q", {A::kQuit, 0, 0}},
        // Nothing else does anything: other digits and letters, control bytes,
        // extended keys (whose second byte may even look like a menu letter).
        DispatchCase{"3", {}}, DispatchCase{"0", {}}, DispatchCase{"I", {}}, DispatchCase{"X", {}},
        DispatchCase{"@", {}}, DispatchCase{"\r", {}}, DispatchCase{"\x1b", {}},
        DispatchCase{"", {}}, DispatchCase{KeyF1, {}}, DispatchCase{ExtendedKey('A'), {}},
        DispatchCase{ExtendedKey('q'), {}}, DispatchCase{KeyHome, {}}, DispatchCase{"\xE1", {}},
        DispatchCase{"RQ", {}}));

}  // namespace
}  // namespace r7n
