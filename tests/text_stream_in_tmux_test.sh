#!/usr/bin/env bash
# A module printing a long listing into a terminal session in tmux: Term.txt
# must hold every byte it sent, in order.
# Usage: text_stream_in_tmux_test.sh PATH/TO/r7n_uart_sim PATH/TO/r7n_text_stream
#        text_stream_in_tmux_test.sh PATH/TO/r7n_uart_for_stand_in PATH/TO/r7n_text_stream \
#          PATH/TO/libr7n_port_stand_in.so
# With the port stand-in, the real-chassis program runs as built, its
# /dev/port answered by the same simulated chassis in its own process; the
# release build's r7n_uart carries its own C library and cannot take it, so
# the stand-in goes into build/release/bin/r7n_uart_for_stand_in.
# TEXT_BYTES sets the size of the listing (default 1 MiB), RX_FIFO the depth
# of the simulated UART's receive FIFO (default 128), BAUD the bit rate of the
# module and of the program's configuration (default 921600).
set -u
bytes=${TEXT_BYTES:-1048576}
baud=${BAUD:-921600}
chassis="--base1 text,r7n,r7n,r7n --line-baud $baud --noise-bytes $bytes --rx-fifo ${RX_FIFO:-128}"
export TMUX_TMPDIR=$(mktemp -d)
trap 'tmux kill-server 2>/dev/null; rm -rf "$TMUX_TMPDIR"' EXIT
bin="$TMUX_TMPDIR/bin"
mkdir "$bin"
program="$bin/$(basename "$1")"
cp "$1" "$program"
if [ $# -ge 3 ]; then
  # A static program ignores the preload and would reach the real ports.
  if ! readelf -l "$1" | grep -q 'program interpreter'; then
    echo "$1 is statically linked: the port stand-in cannot be preloaded into it" >&2
    exit 1
  fi
  # The session starts in /, so the library needs its whole path.
  stand_in=$(realpath "$3") || exit 1
  start="LD_PRELOAD='$stand_in' R7N_PORT_STAND_IN='$chassis' '$program'"
else
  start="'$program' $chassis"
fi
printf '#COMMODE %s\r\n' "$baud" >"$bin/R7n_Uart.cfg"
capture="$bin/Term.txt"

. "$(dirname "$0")/tmux_checks.sh"
size() { stat -c %s "$capture" 2>/dev/null || echo 0; }
give_up() {
  fail "$*"
  screen
  exit 1
}

tmux new-session -d -s t -x 80 -y 25 \
  "cd / && LANG=C.UTF-8 TERM=tmux-256color $start; echo EXIT=\$?; sleep 60"
wait_for 10 "<Q> Quit" "the menu comes up" || exit 1
tmux send-keys -t t a
wait_for 10 "Baud: $baud" "key A opens module A's terminal at $baud bit/s" || exit 1
start_ms=$(($(date +%s%N) / 1000000))
tmux send-keys -t t Enter

# The line carries a byte in ten bit times (11 s a MiB at 921,600 bit/s);
# twice that is allowed. The listing has ended when the capture has not
# grown for two seconds.
deadline=$(($(date +%s) + 30 + bytes * 20 / baud))
last=-1
still=0
while [ "$still" -lt 20 ]; do
  [ "$(date +%s)" -lt "$deadline" ] || give_up "Term.txt still growing at the deadline: $(size) bytes"
  now=$(size)
  if [ "$now" -eq "$last" ] && [ "$now" -gt 0 ]; then still=$((still + 1)); else still=0; fi
  last=$now
  sleep 0.1
done
# Less the two quiet seconds that told the end.
took_ms=$(($(date +%s%N) / 1000000 - start_ms - 2000))

tmux send-keys -t t S-F2
wait_for 10 "<Q> Quit" "Shift-F2 ends the terminal" || exit 1
tmux send-keys -t t q
wait_for 10 "EXIT=0" "q ends the program with status 0" || exit 1

expected="$TMUX_TMPDIR/expected.txt"
"$2" "$bytes" >"$expected" || give_up "cannot generate the expected text"
got=$(size)
echo "$(basename "$program"): sent $bytes bytes at $baud bit/s in about" \
  "$((took_ms / 1000)).$(printf %03d $((took_ms % 1000))) s; Term.txt holds $got, $((bytes - got)) lost"
if cmp -s "$expected" "$capture"; then
  pass "Term.txt holds every byte"
  exit 0
fi
fail "Term.txt differs from what the module sent ($((bytes - got)) bytes missing):"
cmp "$expected" "$capture" | head -n 1
exit 1
