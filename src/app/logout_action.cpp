#include "app/logout_action.h"

namespace r7n {

void ModuleLogoutAction(ScreenHelpers& helpers, UartLink& link, ModuleLogin& login) {
  // The port stays as the previous action left it.
  link.UartSelChan(1);
  if (login.LogMOut() == 0) helpers.ErrMsgBell("LogMOut(Failure");
  link.UartSelChan(0);
}

}  // namespace r7n
