#include "app/program.h"

#include <system_error>

#include "app/chassis_actions.h"
#include "app/logout_action.h"
#include "app/terminal_actions.h"
#include "app/zcp_version_action.h"
#include "console/program_exit.h"
#include "terminal/config_file.h"

namespace r7n {

Program::Program(PlatformServices& platform)
    : platform_(platform),
      con_(platform.console, platform.clock),
      helpers_(con_),
      uart_host_(con_, helpers_),
      link_(platform.ports, uart_host_),
      pump_(link_, platform.clock, uart_host_),
      uart_(link_, pump_, uart_host_),
      macros_(config_, uart_, con_, helpers_, platform.shell),
      terminal_(con_, link_, uart_, pump_, config_, term_colors_, macros_),
      login_(link_, uart_, con_),
      network_(link_, uart_, con_),
      survey_(con_, helpers_, link_, login_, network_) {
  pump_.UseReaderThread(platform.reader_thread);
}

int Program::Run() {
  try {
    StartUp();
    MenuLoop();
  } catch (const ProgramExit& exit) {
    // Whatever the last screen was (a cleared one after Home), the operator
    // sees it as the program ends.
    con_.Present();
    return exit.status;
  }
}

void Program::StartUp() {
  helpers_.SetBellOn(1);
  helpers_.SetScrResetBg(0);

  // The configuration and capture files live beside the executable, wherever
  // the program was started from. If the directory cannot be entered, the
  // files are looked for where the program was started.
  std::error_code ignored;
  std::filesystem::current_path(platform_.program_dir, ignored);

  for (int i = 0; i < 2; ++i) {
    con_.ConLocate(0, 0, 0);
    con_.ConClear();
  }
  term_colors_ = TermColors{7, 0};
  con_.ConColor(term_colors_.fg, term_colors_.bg, 0);
  con_.ConLocate(1, 1, -1);
  // Sets the baud rate too: the default, or the file's, which later channel
  // selections use.
  CfgRead(helpers_, config_, link_, platform_.program_dir);

  link_.SetBusResetPort(kBusResetPort);
  link_.ChanAdr() = UartChanAdr{kBase1Port, kUartRegBase};
  link_.KjBusReset(false);
}

void Program::MenuLoop() {
  for (;;) {
    DrawMainMenu(con_, helpers_);
    RunAction(ChooseMenuAction(con_.WaitKey()));
  }
}

void Program::RunAction(const MenuChoice& choice) {
  switch (choice.action) {
    case MenuAction::kZcpReset:
      ZcpResetAction(con_, link_, choice.unit);
      break;
    case MenuAction::kZcpTerminal:
      ZcpTerminalAction(con_, link_, terminal_, choice.unit);
      break;
    case MenuAction::kModuleConsole:
      ModuleTerminalAction(link_, terminal_, choice.unit, choice.module);
      break;
    case MenuAction::kZcpVersion:
      ZcpVersionAction(con_, link_, uart_);
      break;
    case MenuAction::kViewIpAddress:
      survey_.ViewAddresses();
      break;
    case MenuAction::kSetIpAddress:
      survey_.SetAddresses();
      break;
    case MenuAction::kModuleLogout:
      ModuleLogoutAction(helpers_, link_, login_);
      break;
    case MenuAction::kBusReset:
      PermanentBusResetAction(con_, link_);
      break;
    case MenuAction::kQuit:
      throw ProgramExit{0};
    case MenuAction::kNone:
      break;
  }
}

int RunProgram(PlatformServices& platform) {
  Program program(platform);
  return program.Run();
}

}  // namespace r7n
