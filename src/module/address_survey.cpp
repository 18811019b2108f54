#include "module/address_survey.h"

namespace r7n {
namespace {

std::string UnitPrefix(int unit_index) {
  return " R7N Base #" + std::to_string(unit_index + 1);
}

char ModuleLetter(int channel) {
  return static_cast<char>('A' + channel - 1);
}

}  // namespace

std::string SetupAddress(int unit_index, int channel) {
  return "192.168.127." + std::to_string(4 * unit_index + channel + 128);
}

void AddressSurvey::ViewAddresses() {
  Run(Mode::kView);
}

void AddressSurvey::SetAddresses() {
  Run(Mode::kSet);
}

void AddressSurvey::Run(Mode mode) {
  con_.ConClear();
  con_.ConPrint(mode == Mode::kView ? "Read IP address settings" : "Setup IP address", true);
  con_.ConPrint("", true);
  for (int unit_index = 0; unit_index < 2; ++unit_index) {
    link_.ChanAdr().port = BasePort(unit_index + 1);
    if (!link_.BaseUnitPresent(link_.ChanAdr().port)) {
      con_.ConPrint(UnitPrefix(unit_index) + " Not Present", true);
      continue;
    }
    for (int channel = 1; channel <= 4; ++channel) {
      con_.ConPrint(VisitModule(mode, unit_index, channel), true);
    }
  }
  // Only base unit 2 goes back to its controller; base unit 1 stays on module D.
  link_.UartSelChan(0);
  helpers_.PressAnyKey();
}

std::string AddressSurvey::VisitModule(Mode mode, int unit_index, int channel) {
  link_.UartSelChan(channel);
  std::int32_t ok = login_.LogMIn();
  std::string address;
  if (ok != 0 && mode == Mode::kView) {
    const AddressReading reading = network_.GetMIpAdr();
    ok = reading.found;
    address = reading.address;
  } else if (ok != 0) {
    address = SetupAddress(unit_index, channel);
    network_.SetMIpAdr(address);
    // Only a file read back as written counts as set up.
    ok = network_.ChkMIpAdr(address);
  }
  std::string line = UnitPrefix(unit_index) + " Module " + ModuleLetter(channel);
  if (ok == 1) return line + " - IP Address: " + address;
  return line + (mode == Mode::kView ? " - IP Address not available" : " - IP Address not init");
}

}  // namespace r7n
