#include "verbs/verb_runner.h"

#include "console/console.h"
#include "console/screen_helpers.h"
#include "module/address_survey.h"
#include "module/console_listener.h"
#include "module/module_login.h"
#include "module/network_settings.h"
#include "platform/null_console_device.h"
#include "terminal/config_file.h"
#include "terminal/config_tables.h"
#include "uart/receive_pump.h"
#include "uart/uart_transfer.h"
#include "verbs/controller_version.h"
#include "verbs/verb_output.h"
#include "verbs/verb_uart_host.h"

namespace r7n {
namespace {

// The program's parts that talk to the chassis, on a console nobody sees;
// set up as the menu's start-up sets them.
class ChassisSession {
 public:
  explicit ChassisSession(VerbServices& services)
      : services_(services),
        con_(device_, services.clock),
        helpers_(con_),
        host_(con_, services.err, services.program),
        link_(services.ports, host_),
        pump_(link_, services.clock, host_),
        uart_(link_, pump_, host_),
        login_(link_, uart_, con_),
        network_(link_, uart_, con_),
        survey_(con_, helpers_, link_, login_, network_),
        listener_(link_, uart_, services.clock) {
    ReadConfigFile(config_, link_, services.program_dir,
                   [this](std::string_view message) { host_.Report(message); });
    link_.SetBusResetPort(kBusResetPort);
    link_.ChanAdr() = UartChanAdr{kBase1Port, kUartRegBase};
    link_.KjBusReset(false);
  }

  void Survey(SurveyMode mode, bool stay_logged_in, VerbResult& result);
  void Version(int unit_index, VerbResult& result);
  void Logout(int unit_index, int channel, VerbResult& result);

 private:
  // The modules' lines go back to the controllers when a verb is done.
  void BackToControllers();
  bool SelectUnit(int unit_index);
  void Progress(const ModuleReport& report, std::size_t done);

  VerbServices& services_;
  NullConsoleDevice device_;
  Console con_;
  ScreenHelpers helpers_;
  VerbUartHost host_;
  UartLink link_;
  ReceivePump pump_;
  UartTransfer uart_;
  ModuleLogin login_;
  NetworkSettings network_;
  AddressSurvey survey_;
  ConsoleListener listener_;
  ConfigTables config_;
};

bool ChassisSession::SelectUnit(int unit_index) {
  link_.ChanAdr().port = BasePort(unit_index + 1);
  return link_.BaseUnitPresent(link_.ChanAdr().port);
}

void ChassisSession::BackToControllers() {
  for (int unit_index = 0; unit_index < 2; ++unit_index) {
    if (SelectUnit(unit_index)) link_.UartSelChan(0);
  }
}

void ChassisSession::Progress(const ModuleReport& report, std::size_t done) {
  if (!services_.progress) return;
  std::fprintf(services_.err, "%s: [%zu/8] base unit %d module %c: %s%s%s\n",
               services_.program.c_str(), done, report.unit_index + 1, ModuleLetter(report.channel),
               std::string(StatusName(report.status)).c_str(), report.address.empty() ? "" : " ",
               report.address.c_str());
}

void ChassisSession::Survey(SurveyMode mode, bool stay_logged_in, VerbResult& result) {
  survey_.Survey(mode, [&](const ModuleReport& visited) {
    ModuleReport report = visited;
    // A shell that was there before the verb is left as it was found.
    if (report.logged_in_here && !stay_logged_in) {
      const bool out = login_.LogMOut() != 0;
      if (!out && report.status == ModuleStatus::kOk) report.status = ModuleStatus::kLogoutFailed;
    }
    result.modules.push_back(report);
    Progress(report, result.modules.size());
  });
  BackToControllers();
}

void ChassisSession::Version(int unit_index, VerbResult& result) {
  result.unit_index = unit_index;
  if (SelectUnit(unit_index)) result.reply = ReadControllerVersion(link_, uart_, listener_);
}

void ChassisSession::Logout(int unit_index, int channel, VerbResult& result) {
  ModuleReport report = AbsentUnitReport(unit_index, channel);
  if (SelectUnit(unit_index)) {
    link_.UartSelChan(channel);
    // "exit" typed at a login prompt would be taken as a user name and leave
    // the console asking for its password, so only a root shell is left.
    const PromptCheck check = login_.LogMChk();
    report.variant = check.variant;
    if (check.logged_in == 0) {
      report.status = ModuleStatus::kNotLoggedIn;
    } else {
      report.status = login_.LogMOut() != 0 ? ModuleStatus::kOk : ModuleStatus::kLogoutFailed;
    }
    link_.UartSelChan(0);
  }
  result.modules.push_back(report);
}

}  // namespace

int RunVerb(const VerbRequest& request, VerbServices& services) {
  VerbResult result;
  result.verb = request.verb;
  result.host = services.host;
  {
    ChassisSession session(services);
    switch (request.verb) {
      case Verb::kSurvey:
      case Verb::kSetup:
        session.Survey(ModeOf(request.verb), request.stay_logged_in, result);
        break;
      case Verb::kVersion:
        session.Version(request.unit - 1, result);
        break;
      case Verb::kLogout:
        session.Logout(request.unit - 1, request.channel, result);
        break;
    }
  }
  const std::string text = request.json ? VerbJson(result) : VerbText(result);
  std::fputs(text.c_str(), services.out);
  std::fflush(services.out);
  return VerbExitStatus(result);
}

}  // namespace r7n
