#include "app/terminal_actions.h"

namespace r7n {

std::string ZcpTerminalTitle(int unit) {
  return "R7N Base #" + std::to_string(unit) + " ZCP Console";
}

std::string ModuleTerminalTitle(int unit, int module) {
  std::string title = "R7N Base #" + std::to_string(unit) + " Mod ";
  title += static_cast<char>('A' + module);
  title += " - HPS Console";
  return title;
}

void ZcpTerminalAction(Console& con, UartLink& link, SerialTerminal& terminal, int unit) {
  con.ConClear();
  link.ChanAdr().port = BasePort(unit);
  link.UartSelChan(0);
  terminal.UartTerm(ZcpTerminalTitle(unit));
}

void ModuleTerminalAction(UartLink& link, SerialTerminal& terminal, int unit, int module) {
  link.ChanAdr().port = BasePort(unit);
  // The menu is not cleared: the session starts below it, on row 19.
  link.UartSelChan(module + 1);
  terminal.UartTerm(ModuleTerminalTitle(unit, module));
  link.UartSelChan(0);
}

}  // namespace r7n
