#include "app/main_menu.h"

#include <array>
#include <string_view>

namespace r7n {
namespace {

constexpr int kTitleFg = 15;
constexpr int kBodyFg = 7;
constexpr int kMarkFg = 14;
constexpr int kMarkBg = 0;
constexpr int kKeepBg = 2;

constexpr std::array<std::string_view, 16> kMenuBody{
    "",
    " ZCP Terminal    <1> R7N-1 ZCP Term         <2> R7N-2 ZCP Term",
    "                 <R> R7N-1 ZCP Reset        <Z> R7N-2 ZCP Reset",
    "                 <N> R7N-1 ZCP Version",
    "",
    " Linux Console   <A> KT20R R7N-1 Mod A      <E> KT20R R7N-2 Mod A",
    "                 <B> KT20R R7N-1 Mod B      <F> KT20R R7N-2 Mod B",
    "                 <C> KT20R R7N-1 Mod C      <G> KT20R R7N-2 Mod C",
    "                 <D> KT20R R7N-1 Mod D      <H> KT20R R7N-2 Mod D",
    "",
    " KT20R IP add    <V> View IP address",
    "                 <S> Set  IP address",
    "",
    " KJ Bus reset    <P> Permanent Bus Reset",
    "                 <Q> Quit",
    "",
};

// Each overlay repaints one column of key marks, starting on row 4.
struct Overlay {
  int col;
  std::string_view text;
};
constexpr int kOverlayRow = 4;
constexpr std::array<Overlay, 6> kOverlays{{
    {18, "<<< <<<< << <<"},
    {19, "1RN ABCD VS PQ"},
    {20, ">>> >>>> >> >>"},
    {45, "<<  <<<<"},
    {46, "2Z  EFGH"},
    {47, ">>  >>>>"},
}};

}  // namespace

MenuChoice ChooseMenuAction(const KeyCode& key) {
  const KeyCode upper = UpperCaseKey(key);
  if (upper.size() != 1) return {};
  const char c = upper[0];
  switch (c) {
    case '1':
      return {MenuAction::kZcpTerminal, 1, 0};
    case '2':
      return {MenuAction::kZcpTerminal, 2, 0};
    case 'R':
      return {MenuAction::kZcpReset, 1, 0};
    case 'Z':
      return {MenuAction::kZcpReset, 2, 0};
    case 'N':
      return {MenuAction::kZcpVersion, 1, 0};
    case 'V':
      return {MenuAction::kViewIpAddress, 0, 0};
    case 'S':
      return {MenuAction::kSetIpAddress, 0, 0};
    default:
      break;
  }
  if (c >= 'A' && c <= 'H') {
    const int k = c - 'A';
    return {MenuAction::kModuleConsole, (k & 4) ? 2 : 1, k % 4};
  }
  if (c == 'K') return {MenuAction::kModuleLogout, 0, 0};
  if (c == 'P') return {MenuAction::kBusReset, 0, 0};
  if (c == 'Q') return {MenuAction::kQuit, 0, 0};
  return {};
}

void DrawMainMenu(Console& con, ScreenHelpers& helpers) {
  con.ConClear();
  con.ConColor(kTitleFg, 0, kKeepBg);
  con.ConPrint("R7N UART:", true);
  con.ConPrint("----------", true);
  con.ConColor(kBodyFg, 0, kKeepBg);
  for (std::string_view line : kMenuBody) con.ConPrint(line, true);
  for (const Overlay& overlay : kOverlays) {
    helpers.PrintVert(kOverlayRow, overlay.col, overlay.text, kMarkFg, kMarkBg);
  }
}

}  // namespace r7n
