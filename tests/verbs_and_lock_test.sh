#!/usr/bin/env bash
# The verbs as a script runs them, with no terminal at all, and the chassis
# lock between two real-chassis programs.
# Usage: verbs_and_lock_test.sh PATH/TO/r7n_uart_sim PATH/TO/r7n_uart_for_stand_in \
#          PATH/TO/libr7n_port_stand_in.so
# r7n_uart (the build with the shared C library) has its /dev/port answered
# by the preloaded port stand-in, so no real port is touched even as root.
set -u
# A static program ignores the preload and would reach the real ports.
if ! readelf -l "$2" | grep -q 'program interpreter'; then
  echo "$2 is statically linked: the port stand-in cannot be preloaded into it" >&2
  exit 1
fi
stand_in=$(realpath "$3") || exit 1
work=$(mktemp -d)
export TMUX_TMPDIR=$work
export R7N_UART_LOCK=$work/chassis.lock
trap 'tmux kill-server 2>/dev/null; rm -rf "$work"' EXIT
# Both programs in a folder of their own, with the configuration they read.
mkdir "$work/bin"
sim=$work/bin/r7n_uart_sim
uart=$work/bin/r7n_uart
cp "$1" "$sim"
cp "$2" "$uart"
printf '#COMMODE 115200\r\n' >"$work/bin/R7n_Uart.cfg"
. "$(dirname "$0")/tmux_checks.sh"

# No terminal: no controlling tty (setsid), stdin from /dev/null, TERM unset.
headless() { env -u TERM setsid "$@" </dev/null 2>"$work/err"; }
expect_status() {  # expect_status WANT GOT WHAT
  if [ "$2" = "$1" ]; then pass "$3: exit $2"; else fail "$3: exit $2, not $1"; fi
}
records() { grep -c '"unit": ' "$1"; }

headless "$sim" survey --json >"$work/all.json"
expect_status 0 $? "survey of the default chassis"
[ "$(records "$work/all.json")" = 8 ] && pass "eight records" || fail "records: $(cat "$work/all.json")"
[ "$(grep -c '"status": "ok"' "$work/all.json")" = 8 ] && pass "eight ok" || fail "not all ok"
python3 -c 'import json,sys; json.load(open(sys.argv[1]))' "$work/all.json" &&
  pass "one JSON document" || fail "not JSON"

headless "$sim" --base1 r7n,silent,r7n,r7n survey --json >"$work/silent.json"
expect_status 1 $? "survey with a silent module"
grep -q '"unit": 1, "module": "B", "status": "no answer", "address": null' "$work/silent.json" &&
  pass "the silent module's record says why" || fail "silent record: $(cat "$work/silent.json")"

# One program per chassis: the menu on the stand-in holds the lock.
tmux new-session -d -s t -x 80 -y 25 \
  "LD_PRELOAD='$stand_in' R7N_UART_LOCK='$R7N_UART_LOCK' '$uart'; sleep 30"
wait_for 20 "<Q> Quit" "the first r7n_uart shows its menu"
LD_PRELOAD=$stand_in headless "$uart" survey --json >"$work/second.json"
expect_status 4 $? "a second r7n_uart while the menu runs"
grep -q "in use by r7n_uart, process [0-9]" "$work/err" &&
  pass "refused: $(cat "$work/err")" || fail "refusal says: $(cat "$work/err")"
[ -s "$work/second.json" ] && fail "the refused one printed: $(cat "$work/second.json")"
keys q
sleep 1
LD_PRELOAD=$stand_in headless "$uart" version >"$work/version.txt"
expect_status 0 $? "r7n_uart version once the menu has ended"
grep -qx "ZCP controller firmware V2.31 (R7N)" "$work/version.txt" &&
  pass "the controller's reply" || fail "version printed: $(cat "$work/version.txt")"

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
