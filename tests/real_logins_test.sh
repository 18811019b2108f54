#!/usr/bin/env bash
# r7n_uart_sim in tmux with a real Linux login in every module slot: busybox's
# getty and login in a throwaway root per module, each started by an exec:
# slot in namespaces of its own, as shipped: base unit 1 holds R7N modules
# (busybox ash, which asks for the cursor position after every prompt), base
# unit 2 Tr7N modules (bash with bracketed paste); both echo Ctrl-C as ^C, and
# each network file has a hwaddress line and a commented-out address before
# the real one.
# Usage: real_logins_test.sh PATH/TO/r7n_uart_sim PATH/TO/R7n_Uart.cfg
set -u
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
export TMUX_TMPDIR=$work
trap 'tmux kill-server 2>/dev/null; sleep 0.5; rm -rf "$work"' EXIT
. "$here/tmux_checks.sh"

# Namespaces and chroot need root; CI runs as root. Anywhere else the test
# says why it does not run.
if [ "$(id -u)" -ne 0 ]; then echo "SKIP: needs root for unshare and chroot"; exit 77; fi
for tool in busybox unshare chroot openssl tmux; do
  command -v "$tool" > /dev/null || { echo "FAIL: $tool is missing (tools/install-deps.sh installs it)"; exit 1; }
done
if ! unshare --uts --mount --pid --fork --kill-child true; then
  echo "FAIL: cannot create UTS, mount and PID namespaces here"
  exit 1
fi

mkdir "$work/bin"
cp "$1" "$work/bin/r7n_uart_sim"
cp "$2" "$work/bin/R7n_Uart.cfg"
make_module() {  # make_module NAME HOST PASSWORD WORD ADDRESS ECHOCTL SHELL
  sh "$here/busybox_module_root.sh" "$work/$1" "$2" "$3" "$4" "$5" "$6" "$7" || exit 1
}
base1="" base2=""
for slot in 1 2 3 4; do
  base1="$base1,exec:$(make_module r$slot kt20r-r7n R7nAdm1n " R7N " 192.168.0.1$slot echoctl ash)"
  base2="$base2,exec:$(make_module t$slot kt20r-tr7n Tr7nAdm1n " Tr7N " 192.168.0.2$slot echoctl bash)"
done
printf '%s' "${base1#,}" > "$work/base1"
printf '%s' "${base2#,}" > "$work/base2"

# getty comes back at once when it ends, as a service manager restarts a
# serial getty.
tmux new-session -d -s t -x 80 -y 25 \
  "cd / && LANG=C.UTF-8 TERM=tmux-256color '$work/bin/r7n_uart_sim' --respawn-delay 0 --trace-bytes \
   --events '$work/events.log' --base1 \"\$(cat '$work/base1')\" --base2 \"\$(cat '$work/base2')\" \
   2> '$work/stderr'; echo EXIT=\$?; sleep 60"

wait_for 10 "R7N UART:" "the menu comes up with eight real consoles"
sleep 2  # every getty has printed its login screen

keys v
wait_for 120 "Press any key to continue" "V runs to its end"
addresses "V lists the starting address" 192.168.0.11 192.168.0.12 192.168.0.13 192.168.0.14 \
  192.168.0.21 192.168.0.22 192.168.0.23 192.168.0.24
keys x
wait_for 5 "R7N UART:" "back in the menu after V"

keys s
wait_for 120 "Press any key to continue" "S runs to its end"
addresses "S sets" 192.168.127.129 192.168.127.130 192.168.127.131 192.168.127.132 \
  192.168.127.133 192.168.127.134 192.168.127.135 192.168.127.136
keys x
n=129
for module in r1 r2 r3 r4 t1 t2 t3 t4; do
  want=$(printf 'auto lo\niface lo inet loopback\niface eth0 inet static\naddress 192.168.127.%s\nnetmask 255.255.255.0\nmtu 9000\n\n' $n; echo x)
  got=$(cat "$work/$module/etc/network/interfaces"; echo x)
  if [ "$got" = "$want" ]; then pass "$module's file holds exactly the lines S wrote"; else fail "$module's file: $(od -c "$work/$module/etc/network/interfaces" | head -20)"; fi
  n=$((n + 1))
done

keys v
wait_for 120 "Press any key to continue" "V runs again"
addresses "V reads back" 192.168.127.129 192.168.127.130 192.168.127.131 192.168.127.132 \
  192.168.127.133 192.168.127.134 192.168.127.135 192.168.127.136
keys x

# K works on the base unit the last action used: open base unit 1's
# controller terminal first, so that it logs out module A of base unit 1.
wait_for 5 "R7N UART:" "back in the menu after the second V"
keys 1
wait_for 5 "R7N Base #1 ZCP Console" "key 1 opens base unit 1's controller"
keys S-F2
wait_for 5 "R7N UART:" "Shift-F2 leaves it"
keys k
sleep 2
if screen | grep -q "LogMOut(Failure"; then fail "K: $(screen | tr -s '\n' ' ')"; else pass "K logs module A out"; fi
keys x

keys a
wait_for 5 "R7N Base #1 Mod A - HPS Console" "key A opens module A's console"
keys Enter
wait_for 10 "kt20r-r7n login:" "module A is at its login screen after K"
keys F1
wait_for 10 "Password:" "the F1 macro sends the user name"
keys F2
wait_for 10 "root@kt20r-r7n:~#" "the F2 macro logs in"
keys "cat /etc/network/interfaces" Enter
wait_for 10 "address 192.168.127.129" "cat shows the file S wrote"
keys S-F2
wait_for 5 "R7N UART:" "Shift-F2 ends the session"
if grep -q "address 192.168.127.129" "$work/bin/Term.txt"; then pass "Term.txt holds the session"; else fail "Term.txt: $(tail -c 300 "$work/bin/Term.txt")"; fi

keys q
wait_for 10 "EXIT=0" "q ends the program"
for slot in "base1 A" "base1 B" "base1 C" "base1 D" "base2 A" "base2 B" "base2 C" "base2 D"; do
  if grep "^[0-9.]* $slot " "$work/events.log" | grep -q "down: exited"; then
    pass "$slot: getty ended on Ctrl-C and the slot started it again"
  else
    fail "$slot: no restart in the events log"
  fi
done
if [ "$(grep -c "bytes to it" "$work/stderr")" -eq 8 ]; then pass "one summary line per slot"; else fail "summary: $(cat "$work/stderr")"; fi
sleep 1
if pgrep -f "chroot $work/" > /dev/null; then fail "module processes outlive the program"; else pass "every module ended with the program"; fi

# The passwords went out (the trace shows them typed), but no console echoed
# one back, and no shell took one as a command into its history.
if grep " to it: " "$work/events.log" | grep -q R7nAdm1n; then pass "the trace holds what was typed"; else fail "no password in the trace of what was typed"; fi
if grep " from it: " "$work/events.log" | grep -q -e R7nAdm1n -e Tr7nAdm1n; then
  fail "a console sent a password back: $(grep " from it: .*n7rT\?Adm1n\|from it: .*Adm1n" "$work/events.log" | head -3)"
else
  pass "no password came back from any console"
fi
if grep -rl -e R7nAdm1n -e Tr7nAdm1n "$work"/[rt][1-4]/root; then fail "a shell's history holds a password"; else pass "no password in any shell's history"; fi

echo "--- summary at exit"
cat "$work/stderr"
if [ "$failures" -ne 0 ]; then
  echo "--- what crossed the lines"
  cat "$work/events.log"
fi
echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
