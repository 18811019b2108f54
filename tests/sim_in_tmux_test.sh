#!/usr/bin/env bash
# Runs r7n_uart_sim in a real terminal (tmux, 80 x 25) as an operator would:
# keys through send-keys, the screen read back with capture-pane.
# Usage: sim_in_tmux_test.sh PATH/TO/r7n_uart_sim PATH/TO/R7n_Uart.cfg
# The program runs from a copy in a directory of its own, so that the test
# decides whether a configuration file lies beside it.
set -u
export TMUX_TMPDIR=$(mktemp -d)
trap 'tmux kill-server 2>/dev/null; rm -rf "$TMUX_TMPDIR"' EXIT
mkdir "$TMUX_TMPDIR/bin"
cp "$1" "$TMUX_TMPDIR/bin/r7n_uart_sim"
cp -r "$(dirname "$1")/terminfo" "$TMUX_TMPDIR/bin/"  # the console's own description
sim="$TMUX_TMPDIR/bin/r7n_uart_sim"
config=$(realpath "$2")
failures=0
passes=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; passes=$((passes + 1)); }

start_in() {  # start_in ENVIRONMENT WIDTH HEIGHT [OPTIONS]: env -i ENVIRONMENT
  local environment=$1 width=$2 height=$3
  shift 3
  tmux kill-server 2>/dev/null
  sleep 0.2
  tmux new-session -d -s t -x "$width" -y "$height" \
    "cd / && env -i PATH=\"\$PATH\" $environment '$sim' $*; echo EXIT=\$?; sleep 60"
  sleep 1
}
start() {  # start WIDTH HEIGHT [OPTIONS]
  start_in "LANG=C.UTF-8 TERM=tmux-256color" "$@"
}
screen() { tmux capture-pane -p -t t; }
row() { screen | sed -n "$1p"; }
keys() { tmux send-keys -t t "$@"; sleep 0.5; }
expect_row() {  # expect_row N TEXT WHAT
  if [ "$(row "$1")" = "$2" ]; then pass "$3"; else fail "$3: row $1 is '$(row "$1")'"; fi
}
contains() {  # contains TEXT WHAT: waits up to 15 s for the text to show
  for _ in $(seq 150); do
    if screen | grep -qF -- "$1"; then pass "$2"; return; fi
    sleep 0.1
  done
  fail "$2: $(screen | tr -s '\n' ' ')"
}
# Slower builds (ThreadSanitizer) take longer to start and to end.
wait_menu() {
  for _ in $(seq 50); do screen | grep -q "<Q> Quit" && break; sleep 0.1; done
}

start 80 25
expect_row 24 "  Config file not found: R7n_Uart.cfg" "a missing configuration file is reported"
keys x
expect_row 1 "R7N UART:" "the menu follows the message"
keys q

cp "$config" "$TMUX_TMPDIR/bin/R7n_Uart.cfg"
start 80 25
expect_row 1 "R7N UART:" "title"
expect_row 4 " ZCP Terminal    <1> R7N-1 ZCP Term         <2> R7N-2 ZCP Term" "menu row 4"
expect_row 14 "                 <S> Set  IP address" "menu row 14"
expect_row 17 "                 <Q> Quit" "menu row 17"
if tmux capture-pane -p -e -t t | sed -n 4p | grep -q $'\e\\[93m<1>'; then
  pass "key marks in yellow"
else
  fail "key marks are not yellow"
fi

pid=$(pgrep -f "^$sim" | head -n 1)
if [ -n "$pid" ] && [ "$(readlink /proc/"$pid"/cwd)" = "$(dirname "$sim")" ]; then
  pass "started from / it works in its own directory"
else
  fail "working directory is $(readlink /proc/"$pid"/cwd 2>/dev/null)"
fi

keys p
expect_row 2 "   KJ Bus Reset ON" "P shows the reset banner"
expect_row 10 "  Press a key to exit reset" "P shows the prompt"
keys F5
expect_row 1 "R7N UART:" "an extended key ends P"
keys r
expect_row 1 "R7N UART:" "r resets and comes back to the menu"
keys n
sleep 0.3
expect_row 1 "Read ZCP version:" "N shows its title"
if screen | grep -q "ZCP controller firmware"; then pass "N shows the version reply"; else fail "N: $(screen | tr -s '\n' ' ')"; fi
keys x
expect_row 1 "R7N UART:" "a key ends N"

keys 1
expect_row 1 "R7N Base #1 ZCP Console   <Fx>Macro  <SF1>Help  <SF2>Exit  Baud: 115200" "key 1 opens the controller's terminal"
keys V Enter
contains "ZCP controller firmware" "the controller answers V"
keys S-F1
contains "F4  show the network settings" "Shift-F1 shows the help text"
keys S-F2
expect_row 1 "R7N UART:" "Shift-F2 ends the terminal"

keys a
expect_row 19 "R7N Base #1 Mod A - HPS Console   <Fx>Macro  <SF1>Help  <SF2>Exit  Baud: 115200" "key A opens module A below the menu"
keys C-z
contains "kt20r-r7n login:" "Ctrl-Z interrupts: the login prompt comes again"
keys r o o t Enter
contains "Password:" "the user name is asked for its password"
keys R 7 n A d m 1 n Enter
contains "root@kt20r-r7n:~#" "logged in by hand"
keys "cat /etc/network/interfaces" Enter
contains "address 192.168.0.11" "cat shows the module's network settings"
keys F5
sleep 0.3
if [ "$(screen | grep -c 'kt20r-r7n login:')" -ge 2 ]; then pass "the F5 macro logs out"; else fail "F5: $(screen | tr -s '\n' ' ')"; fi
keys F1
sleep 0.3
if [ "$(screen | grep -c 'Password:')" -ge 2 ]; then pass "the F1 macro sends the user name"; else fail "F1: $(screen | tr -s '\n' ' ')"; fi
keys S-F2
expect_row 1 "R7N UART:" "back in the menu"
if grep -q "root@kt20r-r7n" "$TMUX_TMPDIR/bin/Term.txt"; then pass "Term.txt holds the session"; else fail "Term.txt: $(head -c 300 "$TMUX_TMPDIR/bin/Term.txt")"; fi

keys q
if screen | grep -q "^EXIT=0$"; then pass "q exits with status 0"; else fail "q: $(screen | grep EXIT)"; fi
expect_row 1 "R7N UART:" "the last screen stays after the program ends"

start 80 25 --base1 r7n,silent,r7n-noaddr,tr7n --base2 absent
keys v
contains "Press any key to continue" "V ends with its prompt"
expect_row 1 "Read IP address settings" "V shows its title"
expect_row 3 " R7N Base #1 Module A - IP Address: 192.168.0.11" "V lists module A"
expect_row 4 " R7N Base #1 Module B - IP Address not available" "a silent module has no address"
expect_row 5 " R7N Base #1 Module C - IP Address not available" "a file without address line"
expect_row 6 " R7N Base #1 Module D - IP Address: 192.168.0.14" "a Tr7N module on base unit 1"
expect_row 7 " R7N Base #2 Not Present" "an absent base unit"
keys x
keys s
contains "Press any key to continue" "S ends with its prompt"
expect_row 1 "Setup IP address" "S shows its title"
expect_row 3 " R7N Base #1 Module A - IP Address: 192.168.127.129" "S sets module A"
expect_row 4 " R7N Base #1 Module B - IP Address not init" "S cannot log into a silent module"
expect_row 6 " R7N Base #1 Module D - IP Address: 192.168.127.132" "S sets module D"
keys x
keys q

start 80 25
wait_menu
keys C-c
for _ in $(seq 50); do screen | grep -q "^EXIT=" && break; sleep 0.1; done
if screen | grep -q "^EXIT=130$"; then pass "Ctrl-C ends the program"; else fail "Ctrl-C: $(screen | grep EXIT)"; fi
if [ "$(tmux display -p -t t '#{alternate_on}#{cursor_flag}')" = "01" ]; then
  pass "Ctrl-C restores the terminal"
else
  fail "terminal after Ctrl-C: $(tmux display -p -t t 'alternate=#{alternate_on} cursor=#{cursor_flag}')"
fi

# Terminals this system has no description of, or none named: the console's
# own description, and a word about it once the session is over.
for term in TERM=foot TERM=xterm-kitty ""; do
  start_in "LANG=C.UTF-8 $term" 80 25
  wait_menu
  expect_row 4 " ZCP Terminal    <1> R7N-1 ZCP Term         <2> R7N-2 ZCP Term" "${term:-no TERM}: the menu"
  keys q
  if screen | grep -q "^EXIT=0$" && screen | tr -d '\n' | grep -q "own description of an xterm-compatible"; then
    pass "${term:-no TERM}: named after the session"
  else
    fail "${term:-no TERM}: $(screen | tr -s '\n' ' ')"
  fi
done
start_in "LANG=C.UTF-8 TERM=dumb" 80 25
if screen | grep -q "^EXIT=1$" && screen | tr -d '\n' | grep -q 'cannot place the cursor.*TERM=xterm-256color'; then
  pass "a dumb terminal is refused with what to set"
else
  fail "TERM=dumb: $(screen | tr -s '\n' ' ')"
fi

# Code page 437 line drawing from a module, whatever the user's locale: a
# slot whose program answers each line with a box's top and bottom.
printf '#!/bin/sh\nwhile read line; do printf "\\311\\315\\315\\273 \\310\\315\\315\\274\\r\\n"; done\n' \
  >"$TMUX_TMPDIR/box.sh"
chmod +x "$TMUX_TMPDIR/box.sh"
for locale in LANG=C LANG=POSIX "" LANG=xx_YY.UTF-8; do
  start_in "TERM=tmux-256color $locale" 80 25 --base1 "exec:$TMUX_TMPDIR/box.sh,r7n,r7n,r7n"
  wait_menu
  keys a
  keys Enter
  contains "╔══╗ ╚══╝" "${locale:-no locale}: box glyphs"
  keys S-F2
  keys q
done

# The window changes size: below 80 x 25 one line says so; back at 80 x 25
# everything is drawn again, and keys typed meanwhile have arrived.
resize() { tmux resize-window -t t -x "$1" -y "$2"; sleep 0.5; }
menu_whole() {  # menu_whole WHAT
  expect_row 1 "R7N UART:" "$1: title"
  expect_row 4 " ZCP Terminal    <1> R7N-1 ZCP Term         <2> R7N-2 ZCP Term" "$1: row 4"
  expect_row 17 "                 <Q> Quit" "$1: row 17"
}
start 80 25
wait_menu
resize 60 20
expect_row 1 "The window is 60 x 20; make it at least 80 x 25." "a shrunk window says so"
resize 100 30
menu_whole "grown again"
resize 79 25
resize 80 25
menu_whole "one column less and back"
keys a
keys Enter
contains "kt20r-r7n login:" "a session on module A"
resize 70 25
keys r o o t Enter
resize 80 25
expect_row 19 "R7N Base #1 Mod A - HPS Console   <Fx>Macro  <SF1>Help  <SF2>Exit  Baud: 115200" "the session's title after a shrink"
contains "Password:" "keys typed while the window was small arrived"
expect_row 4 " ZCP Terminal    <1> R7N-1 ZCP Term         <2> R7N-2 ZCP Term" "the menu above the session"
keys S-F2
keys q

start 79 25
expect_row 1 "The window is 79 x 25; make it at least 80 x 25." "started in a 79 x 25 window it says so"
resize 80 25
menu_whole "started small, grown"
keys q
if screen | grep -q "^EXIT=0$"; then pass "started small, q ends it"; else fail "started small: $(screen | grep EXIT)"; fi

start 100 30
wait_menu
resize 80 25
menu_whole "started larger, shrunk to 80 x 25"
keys q

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
