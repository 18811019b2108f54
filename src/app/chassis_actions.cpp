#include "app/chassis_actions.h"

namespace r7n {

void ZcpResetAction(Console& con, UartLink& link, int unit) {
  con.ConClear();
  link.ChanAdr().port = BasePort(unit);
  link.ZcpReset();
}

void PermanentBusResetAction(Console& con, UartLink& link) {
  // The bus goes into reset before anything is drawn.
  link.KjBusReset(true);
  con.ConClear();
  con.ConLocate(2, 3, -1);
  con.ConColor(15, 12, 0);
  con.ConPrint(" KJ Bus Reset ON ", true);
  con.ConColor(14, 0, 0);
  con.ConLocate(10, 3, -1);
  con.ConPrint("Press a key to exit reset", true);
  con.ConColor(7, 0, 2);
  con.WaitKey();
  link.KjBusReset(false);
}

}  // namespace r7n
