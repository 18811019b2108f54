#!/usr/bin/env bash
# The Windows build of r7n_uart_sim under Wine, in a real terminal (tmux,
# 80 x 25): the menu is drawn, the ZCP controller answers in its terminal,
# Shift-F2 leaves it and Q ends the program with status 0. Then a verb with no
# console at all: the survey as JSON, a silent module's record and status.
# Usage: wine_smoke_test.sh WINE PATH/TO/r7n_uart_sim.exe PATH/TO/R7n_Uart.cfg
set -u
wine=$1
export TMUX_TMPDIR=$(mktemp -d)
export WINEDEBUG=-all
trap 'tmux kill-server 2>/dev/null; rm -rf "$TMUX_TMPDIR"' EXIT
mkdir "$TMUX_TMPDIR/bin"
cp "$2" "$TMUX_TMPDIR/bin/r7n_uart_sim.exe"
cp "$3" "$TMUX_TMPDIR/bin/R7n_Uart.cfg"
. "$(dirname "$0")/tmux_checks.sh"

tmux new-session -d -s t -x 80 -y 25 \
  "cd '$TMUX_TMPDIR/bin' && '$wine' ./r7n_uart_sim.exe; echo EXIT=\$?; sleep 60"
# Wine's first start in a prefix can take a while.
if wait_for 90 "<Q> Quit" "the menu is drawn"; then
  [ "$(screen | sed -n 1p)" = "R7N UART:" ] && pass "title on row 1" || fail "row 1: $(screen | sed -n 1p)"
  tmux send-keys -t t 1
  wait_for 20 "R7N Base #1 ZCP Console" "key 1 opens the ZCP terminal"
  sleep 1
  tmux send-keys -t t V Enter
  wait_for 20 "ZCP controller firmware V2.31 (R7N)" "the controller answers V"
  tmux send-keys -t t S-F2
  wait_for 20 "<Q> Quit" "Shift-F2 goes back to the menu"
  sleep 1
  tmux send-keys -t t q
  wait_for 20 "EXIT=0" "Q ends the program with status 0"
fi

json=$(cd "$TMUX_TMPDIR/bin" && "$wine" ./r7n_uart_sim.exe --base1 r7n,silent,r7n,r7n survey --json \
  </dev/null 2>/dev/null)
status=$?
[ $status = 1 ] && pass "survey with a silent module: exit 1" || fail "survey: exit $status"
echo "$json" | grep -q '"unit": 1, "module": "B", "status": "no answer"' &&
  pass "the silent module's record says why" || fail "survey printed: $json"
[ "$(echo "$json" | grep -c '"status": "ok"')" = 7 ] && pass "seven ok" || fail "not seven ok: $json"

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
