#include "app/zcp_version_action.h"

namespace r7n {
namespace {

constexpr int kReceiveTimeoutMs = 1000;
constexpr int kPollMs = 30;
constexpr int kBetweenSendsMs = 50;

}  // namespace

void ZcpVersionAction(Console& con, UartLink& link, UartTransfer& uart) {
  link.ChanAdr().port = BasePort(1);
  link.UartSelChan(0);
  con.ConClear();
  con.ConPrint("Read ZCP version:", true);
  con.ConPrint("", true);

  // Whatever the controller said before the question comes first, on its own line.
  if (const std::int32_t waiting = uart.UartRcvCnt(link.ChanAdr()); waiting != 0) {
    con.ConPrint(uart.UartRcvNbyt(link.ChanAdr(), waiting, kReceiveTimeoutMs, 0).text, true);
  }
  uart.UartSndStrDly("\r");
  uart.RcvPause(kBetweenSendsMs);
  uart.UartSndStrDly("V\r");

  // The reply is shown exactly as it comes, all of it however long; only a
  // key ends the loop.
  for (;;) {
    for (std::int32_t waiting = uart.UartRcvCnt(link.ChanAdr()); waiting != 0;
         waiting = uart.UartRcvCnt(link.ChanAdr())) {
      con.ConPrint(uart.UartRcvNbyt(link.ChanAdr(), waiting, kReceiveTimeoutMs, 0).text, false);
    }
    uart.RcvPause(kPollMs);
    if (!con.ConKey().empty()) return;
  }
}

}  // namespace r7n
