#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "console/console.h"
#include "console/screen_helpers.h"
#include "module/module_login.h"
#include "module/module_software.h"
#include "module/network_settings.h"
#include "uart/channel_access.h"

namespace r7n {

enum class SurveyMode { kView, kSet };

// How the visit of one module ended.
enum class ModuleStatus {
  kOk,
  kAbsentUnit,    // its base unit is not there
  kNoAnswer,      // the console sent nothing back
  kLoginFailed,   // it answered, but no root prompt came
  kNoAddress,     // logged in, but the file holds no address line
  kNotVerified,   // set up, but the file did not read back as written
  kLogoutFailed,  // done, but the logout afterwards was not confirmed
  kNotLoggedIn,   // a logout found no root shell to leave: nothing to do
};

struct ModuleReport {
  int unit_index = 0;  // base unit 1 or 2 as 0 or 1
  int channel = 1;     // modules A-D as 1-4
  ModuleStatus status = ModuleStatus::kOk;
  std::string address;  // the address read or set up; empty without one
  int variant = kVariantUnknown;
  // The visit left a root shell that was not there before it.
  bool logged_in_here = false;
};

ModuleReport AbsentUnitReport(int unit_index, int channel);

// Keys V and S: visit every module of both base units, log in and list its
// address (survey) or give it the address of its position (set-up).
class AddressSurvey {
 public:
  // Called after each visit, while the module's channel is still selected.
  using Sink = std::function<void(const ModuleReport&)>;

  AddressSurvey(Console& console, ScreenHelpers& helpers, UartLink& link, ModuleLogin& login,
                NetworkSettings& network)
      : con_(console), helpers_(helpers), link_(link), login_(login), network_(network) {}

  void ViewAddresses();
  void SetAddresses();

  // Visits the modules in order, A-D of base unit 1, then of base unit 2; an
  // absent unit gives a report for each of its modules without a visit.
  // Leaves the last unit visited on its last channel.
  void Survey(SurveyMode mode, const Sink& each);

 private:
  void Run(SurveyMode mode);
  ModuleReport VisitModule(SurveyMode mode, int unit_index, int channel);

  Console& con_;
  ScreenHelpers& helpers_;
  UartLink& link_;
  ModuleLogin& login_;
  NetworkSettings& network_;
};

// The set-up address of a module: 192.168.127.129 to .136 by position.
std::string SetupAddress(int unit_index, int channel);

// The lines V and S show: one per module of a present unit, one for an absent
// unit (for its first module's report; empty for the others).
std::string SurveyLine(SurveyMode mode, const ModuleReport& report);

// " R7N Base #1 Module A": how a module's line begins.
std::string ModuleLinePrefix(const ModuleReport& report);

// "ok", "absent unit", "no answer", ... as scripts read them.
std::string_view StatusName(ModuleStatus status);

// "R7N", "Tr7N", or empty when the console showed neither.
std::string_view VariantName(int variant);

char ModuleLetter(int channel);

}  // namespace r7n
