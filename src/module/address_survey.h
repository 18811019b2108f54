#pragma once

#include <string>

#include "console/console.h"
#include "console/screen_helpers.h"
#include "module/module_login.h"
#include "module/network_settings.h"
#include "uart/channel_access.h"

namespace r7n {

// Keys V and S: visit every module of both base units, log in and list its
// address (survey) or give it the address of its position (set-up).
class AddressSurvey {
 public:
  AddressSurvey(Console& console, ScreenHelpers& helpers, UartLink& link, ModuleLogin& login,
                NetworkSettings& network)
      : con_(console), helpers_(helpers), link_(link), login_(login), network_(network) {}

  void ViewAddresses();
  void SetAddresses();

 private:
  enum class Mode { kView, kSet };

  void Run(Mode mode);
  // The result line of one module.
  std::string VisitModule(Mode mode, int unit_index, int channel);

  Console& con_;
  ScreenHelpers& helpers_;
  UartLink& link_;
  ModuleLogin& login_;
  NetworkSettings& network_;
};

// The set-up address of a module: 192.168.127.129 to .136 by position.
std::string SetupAddress(int unit_index, int channel);

}  // namespace r7n
