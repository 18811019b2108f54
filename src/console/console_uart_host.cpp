#include "console/console_uart_host.h"

namespace r7n {

static_assert(UartHost::kEndPause == Console::kEndPause, "a look ends a pause the same way");

void ConsoleUartHost::TransmitWaitFailed(std::string_view message) {
  helpers_.MsgLineKey(ScreenHelpers::kErrorRow, ScreenHelpers::kErrorBg, ScreenHelpers::kErrorFg,
                      message, 0);
}

void ConsoleUartHost::ReceiveFailed(std::string_view message) {
  helpers_.ErrMsgBell(message);
}

void ConsoleUartHost::PrintLine(std::string_view text) {
  con_.ConPrint(text, true);
}

void ConsoleUartHost::Pause(int ms, const PauseLook& look) {
  con_.ConSleepPolling(ms, look);  // without a look, it is ConSleep
}

}  // namespace r7n
