#pragma once

#include "app/main_menu.h"
#include "app/platform_services.h"
#include "console/console.h"
#include "console/console_uart_host.h"
#include "console/screen_helpers.h"
#include "module/address_survey.h"
#include "module/module_login.h"
#include "module/network_settings.h"
#include "terminal/config_tables.h"
#include "terminal/macro_player.h"
#include "terminal/serial_terminal.h"
#include "terminal/term_colors.h"
#include "uart/channel_access.h"
#include "uart/receive_pump.h"
#include "uart/uart_transfer.h"

namespace r7n {

// The whole program: start-up, then the menu loop until the operator quits.
class Program {
 public:
  explicit Program(PlatformServices& platform);

  // Runs to the end and returns the exit status.
  int Run();

  const Console& GetConsole() const { return con_; }

 private:
  void StartUp();
  [[noreturn]] void MenuLoop();
  void RunAction(const MenuChoice& choice);

  PlatformServices& platform_;
  Console con_;
  ScreenHelpers helpers_;
  ConsoleUartHost uart_host_;
  UartLink link_;
  ReceivePump pump_;
  UartTransfer uart_;
  TermColors term_colors_;
  ConfigTables config_;
  MacroPlayer macros_;
  SerialTerminal terminal_;
  ModuleLogin login_;
  NetworkSettings network_;
  AddressSurvey survey_;
};

// Convenience for main: builds the program on the platform and runs it.
int RunProgram(PlatformServices& platform);

}  // namespace r7n
