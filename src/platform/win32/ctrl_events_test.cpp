#include "platform/win32/ctrl_events.h"

#include <gtest/gtest.h>

namespace r7n {
namespace {

using namespace win32;

TEST(ActionForCtrlEvent, CtrlCAndCtrlBreakEndTheProcessUnlessAProgramRuns) {
  struct Case {
    const char* name;
    std::uint32_t event;
    bool child;
    CtrlAction action;
  };
  const Case cases[] = {
      {"Ctrl-C", kCtrlCEvent, false, CtrlAction::kEndProcess},
      {"Ctrl-Break", kCtrlBreakEvent, false, CtrlAction::kEndProcess},
      {"Ctrl-C while a program runs", kCtrlCEvent, true, CtrlAction::kIgnore},
      {"Ctrl-Break while a program runs", kCtrlBreakEvent, true, CtrlAction::kIgnore},
      // Closing the window, logging off and shutting down keep the system's
      // own handling, with or without a program.
      {"window closed", kCtrlCloseEvent, false, CtrlAction::kLeaveToSystem},
      {"window closed while a program runs", kCtrlCloseEvent, true, CtrlAction::kLeaveToSystem},
      {"log-off", kCtrlLogoffEvent, false, CtrlAction::kLeaveToSystem},
      {"shutdown", kCtrlShutdownEvent, false, CtrlAction::kLeaveToSystem},
  };
  for (const Case& c : cases) EXPECT_EQ(ActionForCtrlEvent(c.event, c.child), c.action) << c.name;
}

}  // namespace
}  // namespace r7n
