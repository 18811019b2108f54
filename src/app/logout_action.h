#pragma once

#include "console/screen_helpers.h"
#include "module/module_login.h"
#include "uart/channel_access.h"

namespace r7n {

// Key K: logs out of module A on the base unit the previous action used.
void ModuleLogoutAction(ScreenHelpers& helpers, UartLink& link, ModuleLogin& login);

}  // namespace r7n
