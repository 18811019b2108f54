#include "module/address_survey.h"

namespace r7n {
namespace {

std::string UnitPrefix(int unit_index) {
  return " R7N Base #" + std::to_string(unit_index + 1);
}

// Why a module that has answered did not get through, by what it was asked.
ModuleStatus LoginFailure(const LoginReport& login) {
  return login.answered ? ModuleStatus::kLoginFailed : ModuleStatus::kNoAnswer;
}

}  // namespace

ModuleReport AbsentUnitReport(int unit_index, int channel) {
  ModuleReport report;
  report.unit_index = unit_index;
  report.channel = channel;
  report.status = ModuleStatus::kAbsentUnit;
  return report;
}

char ModuleLetter(int channel) {
  return static_cast<char>('A' + channel - 1);
}

std::string SetupAddress(int unit_index, int channel) {
  return "192.168.127." + std::to_string(4 * unit_index + channel + 128);
}

std::string SurveyLine(SurveyMode mode, const ModuleReport& report) {
  if (report.status == ModuleStatus::kAbsentUnit) {
    return report.channel == 1 ? UnitPrefix(report.unit_index) + " Not Present" : "";
  }
  const std::string line = ModuleLinePrefix(report);
  if (!report.address.empty() &&
      (report.status == ModuleStatus::kOk || report.status == ModuleStatus::kLogoutFailed)) {
    return line + " - IP Address: " + report.address;
  }
  return line +
         (mode == SurveyMode::kView ? " - IP Address not available" : " - IP Address not init");
}

std::string ModuleLinePrefix(const ModuleReport& report) {
  return UnitPrefix(report.unit_index) + " Module " + ModuleLetter(report.channel);
}

std::string_view StatusName(ModuleStatus status) {
  switch (status) {
    case ModuleStatus::kOk:
      return "ok";
    case ModuleStatus::kAbsentUnit:
      return "absent unit";
    case ModuleStatus::kNoAnswer:
      return "no answer";
    case ModuleStatus::kLoginFailed:
      return "login failed";
    case ModuleStatus::kNoAddress:
      return "no address";
    case ModuleStatus::kNotVerified:
      return "not verified";
    case ModuleStatus::kLogoutFailed:
      return "logout failed";
    case ModuleStatus::kNotLoggedIn:
      return "not logged in";
  }
  return "?";
}

std::string_view VariantName(int variant) {
  if (variant == kVariantR7n) return "R7N";
  if (variant == kVariantTr7n) return "Tr7N";
  return "";
}

void AddressSurvey::ViewAddresses() {
  Run(SurveyMode::kView);
}

void AddressSurvey::SetAddresses() {
  Run(SurveyMode::kSet);
}

void AddressSurvey::Run(SurveyMode mode) {
  con_.ConClear();
  con_.ConPrint(mode == SurveyMode::kView ? "Read IP address settings" : "Setup IP address", true);
  con_.ConPrint("", true);
  Survey(mode, [this, mode](const ModuleReport& report) {
    const std::string line = SurveyLine(mode, report);
    if (report.status != ModuleStatus::kAbsentUnit || !line.empty()) con_.ConPrint(line, true);
  });
  // Only base unit 2 goes back to its controller; base unit 1 stays on module D.
  link_.UartSelChan(0);
  helpers_.PressAnyKey();
}

void AddressSurvey::Survey(SurveyMode mode, const Sink& each) {
  for (int unit_index = 0; unit_index < 2; ++unit_index) {
    link_.ChanAdr().port = BasePort(unit_index + 1);
    const bool present = link_.BaseUnitPresent(link_.ChanAdr().port);
    for (int channel = 1; channel <= 4; ++channel) {
      each(present ? VisitModule(mode, unit_index, channel)
                   : AbsentUnitReport(unit_index, channel));
    }
  }
}

ModuleReport AddressSurvey::VisitModule(SurveyMode mode, int unit_index, int channel) {
  ModuleReport report;
  report.unit_index = unit_index;
  report.channel = channel;
  link_.UartSelChan(channel);
  const bool logged_in = login_.LogMIn() != 0;
  const LoginReport& login = login_.LastLogin();
  report.variant = login.variant;
  report.logged_in_here = logged_in && !login.was_logged_in;
  if (!logged_in) {
    report.status = LoginFailure(login);
  } else if (mode == SurveyMode::kView) {
    const AddressReading reading = network_.GetMIpAdr();
    report.status = reading.found == 1 ? ModuleStatus::kOk : ModuleStatus::kNoAddress;
    if (reading.found == 1) report.address = reading.address;
  } else {
    const std::string address = SetupAddress(unit_index, channel);
    network_.SetMIpAdr(address);
    // Only a file read back as written counts as set up.
    const bool verified = network_.ChkMIpAdr(address) == 1;
    report.status = verified ? ModuleStatus::kOk : ModuleStatus::kNotVerified;
    if (verified) report.address = address;
  }
  return report;
}

}  // namespace r7n
