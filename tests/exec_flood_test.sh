#!/usr/bin/env bash
# A program on an exec: slot writes 1 MiB of text as fast as it can into
# module A at 115200 bit/s while a terminal session shows the slot: Term.txt
# must hold every byte, in order, and the slot must report no overrun. The
# line carries about 11.5 kB a second, so this takes a minute and a half.
# RX_FIFO sets the depth of the receive FIFO (default 128).
# Usage: exec_flood_test.sh PATH/TO/r7n_uart_sim PATH/TO/R7n_Uart.cfg
set -u
work=$(mktemp -d)
export TMUX_TMPDIR=$work
trap 'tmux kill-server 2>/dev/null; rm -rf "$work"' EXIT
mkdir "$work/bin"
cp "$1" "$work/bin/r7n_uart_sim"
cp "$2" "$work/bin/R7n_Uart.cfg"
size=1048576
awk 'BEGIN { for (i = 0; i < 20000; i++) printf "%07d the quick brown fox jumps over the lazy dog 0123456789\r\n", i }' |
  head -c $size > "$work/flood.txt"

# Raw, so that the text crosses unchanged; it starts once the session sends
# a key, so that nothing is lost before anyone listens.
flood="exec:stty raw -echo; head -c 1 > /dev/null; cat $work/flood.txt; sleep 1000"
tmux new-session -d -s t -x 80 -y 25 \
  "cd / && LANG=C.UTF-8 TERM=tmux-256color '$work/bin/r7n_uart_sim' \
   --base1 '$flood,silent,silent,silent' --base2 absent --rx-fifo ${RX_FIFO:-128} 2> '$work/stderr'; echo EXIT=\$?; sleep 60"
. "$(dirname "$0")/tmux_checks.sh"
wait_for 10 "R7N UART:" "the menu comes up" || exit 1
tmux send-keys -t t a
wait_for 5 "R7N Base #1 Mod A - HPS Console" "key A opens the slot's session" || exit 1
tmux send-keys -t t Enter
start=$SECONDS
# Until every byte is there, or nothing more has come for 10 s.
last=0 still=$SECONDS
while :; do
  got=$(stat -c %s "$work/bin/Term.txt" 2> /dev/null || echo 0)
  [ "$got" -ge $size ] && break
  if [ "$got" -ne "$last" ]; then last=$got still=$SECONDS; fi
  [ $((SECONDS - still)) -ge 10 ] && break
  sleep 1
done
echo "Term.txt: $got of $size bytes after $((SECONDS - start)) s"
tmux send-keys -t t S-F2
wait_for 5 "R7N UART:" "Shift-F2 ends the session"
tmux send-keys -t t q
wait_for 10 "EXIT=0" "q ends the program"
cat "$work/stderr"
if cmp "$work/flood.txt" "$work/bin/Term.txt"; then pass "Term.txt holds every byte, in order"; else fail "Term.txt differs"; fi
if grep -q " 0 overruns" "$work/stderr"; then pass "nothing overran"; else fail "overruns"; fi
[ "$failures" -eq 0 ]
