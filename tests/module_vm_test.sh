#!/usr/bin/env bash
# r7n_uart_sim in tmux with a Debian 12 virtual machine, left as Debian ships
# it (systemd's serial getty, login through PAM, bash 5.2 with bracketed
# paste), in slot A of each base unit: R7N on base unit 1, Tr7N on base unit
# 2, each serial console on a unix: slot. V, S, V and K as an operator types
# them, then the survey verb as a script runs it;
# then, with the machines off, their disks: the file S wrote, and no
# password in root's shell history or in anything the consoles sent back.
# Usage: module_vm_test.sh PATH/TO/r7n_uart_sim PATH/TO/R7n_Uart.cfg
# The disks are made once and kept (tests/module_vm/make_image.sh);
# MODULE_VM_CACHE names where (default /var/cache/r7n-module-vm).
set -u
here=$(cd "$(dirname "$0")" && pwd)
vm=$here/module_vm
work=$(mktemp -d)
export TMUX_TMPDIR=$work
. "$here/tmux_checks.sh"

if [ "$(id -u)" -ne 0 ]; then echo "SKIP: needs root for debootstrap and chroot"; exit 77; fi
for tool in qemu-system-x86_64 debootstrap debugfs python3 tmux; do
  command -v "$tool" > /dev/null || { echo "FAIL: $tool is missing (tools/install-deps.sh all installs it)"; exit 1; }
done

started=$SECONDS
images=$(sh "$vm/make_image.sh" "${MODULE_VM_CACHE:-/var/cache/r7n-module-vm}" | tail -1) ||
  { echo "FAIL: the module images could not be made"; exit 1; }
echo "images: $images ($((SECONDS - started)) s)"

vms=""
stop_vms() {
  for variant in r7n tr7n; do
    [ -S "$work/$variant.sock.mon" ] && python3 "$vm/powerdown.py" "$work/$variant.sock.mon" 120
  done
  wait $vms 2> /dev/null
}
trap 'tmux kill-server 2>/dev/null; for p in $vms; do kill $p 2>/dev/null; done; sleep 0.5; rm -rf "$work"' EXIT
for variant in r7n tr7n; do
  sh "$vm/run_vm.sh" "$images" $variant "$work/$variant.sock" "$work/$variant.console" \
    2> "$work/$variant.qemu" &
  vms="$vms $!"
done

mkdir "$work/bin"
cp "$1" "$work/bin/r7n_uart_sim"
cp "$2" "$work/bin/R7n_Uart.cfg"
tmux new-session -d -s t -x 80 -y 25 \
  "cd / && LANG=C.UTF-8 TERM=tmux-256color '$work/bin/r7n_uart_sim' --trace-bytes \
   --events '$work/events.log' --base1 unix:$work/r7n.sock,r7n,r7n,r7n \
   --base2 unix:$work/tr7n.sock,tr7n,tr7n,tr7n 2> '$work/stderr'; echo EXIT=\$?; sleep 60"

booted() {  # booted VARIANT HOST: waits for the getty's login prompt
  local deadline=$((SECONDS + 300))
  while [ $SECONDS -lt $deadline ]; do
    if grep -q "$2 login:" "$work/$1.console" 2> /dev/null; then pass "$1 boots to its login prompt"; return 0; fi
    sleep 0.5
  done
  fail "$1 never showed its login prompt: $(tail -c 400 "$work/$1.console" 2>&1)"
  return 1
}

wait_for 10 "R7N UART:" "the menu comes up" || exit 1
started=$SECONDS
booted r7n kt20r-r7n || exit 1
booted tr7n kt20r-tr7n || exit 1
echo "booted in $((SECONDS - started)) s"
sleep 5  # the rest of the boot, after the getty has started

timed() {  # timed KEY TITLE: runs V or S from the menu to its end
  wait_for 5 "R7N UART:" "in the menu before $2"
  local start=$SECONDS
  keys "$1"
  wait_for 180 "Press any key to continue" "$2 runs to its end"
  echo "$2 took $((SECONDS - start)) s"
}
timed v "V"
addresses "V lists the starting address" 192.168.0.11 192.168.0.12 192.168.0.13 192.168.0.14 \
  192.168.0.21 192.168.0.22 192.168.0.23 192.168.0.24
keys x
timed s "S"
addresses "S sets and reads back" 192.168.127.129 192.168.127.130 192.168.127.131 \
  192.168.127.132 192.168.127.133 192.168.127.134 192.168.127.135 192.168.127.136
keys x
timed v "V again"
addresses "V reads back" 192.168.127.129 192.168.127.130 192.168.127.131 \
  192.168.127.132 192.168.127.133 192.168.127.134 192.168.127.135 192.168.127.136
keys x

# K logs out module A of the base unit the last action used.
for unit in 1 2; do
  wait_for 5 "R7N UART:" "in the menu"
  keys $unit
  wait_for 5 "R7N Base #$unit ZCP Console" "key $unit opens base unit $unit's controller"
  keys S-F2
  wait_for 5 "R7N UART:" "Shift-F2 leaves it"
  start=$SECONDS
  keys k
  sleep 7
  if screen | grep -q "LogMOut(Failure"; then
    fail "K on base unit $unit: $(screen | tr -s '\n' ' ')"
    keys x
  else
    pass "K logs module A of base unit $unit out"
  fi
done
keys q
wait_for 10 "EXIT=0" "q ends the program"

# The survey as a script runs it, with no terminal: it logs in where K logged
# out, reads the addresses S set, and logs out again.
cd "$work/bin"
env -u TERM setsid ./r7n_uart_sim --base1 unix:$work/r7n.sock,r7n,r7n,r7n \
  --base2 unix:$work/tr7n.sock,tr7n,tr7n,tr7n survey --json </dev/null >"$work/survey.json" \
  2>"$work/survey.err"
status=$?
cd /
[ $status = 0 ] && pass "the survey verb: exit 0" || fail "the survey verb: exit $status: $(cat "$work/survey.err")"
for record in '"unit": 1, "module": "A", "status": "ok", "address": "192.168.127.129", "variant": "R7N"' \
  '"unit": 2, "module": "A", "status": "ok", "address": "192.168.127.133", "variant": "Tr7N"'; do
  grep -qF "$record" "$work/survey.json" && pass "the verb's record: $record" ||
    fail "no record $record in: $(cat "$work/survey.json")"
done

stop_vms
for variant in r7n tr7n; do
  disk=$work/$variant.sock.img
  got=$(sh "$vm/read_file.sh" "$disk" /etc/network/interfaces; echo x)
  n=$([ $variant = r7n ] && echo 129 || echo 133)
  want=$(printf 'auto lo\niface lo inet loopback\niface eth0 inet static\naddress 192.168.127.%s\nnetmask 255.255.255.0\nmtu 9000\n\n' $n; echo x)
  if [ "$got" = "$want" ]; then pass "$variant: the file holds exactly the lines S wrote"; else fail "$variant: the file is: $got"; fi
  # bash writes the history when K's exit ends it.
  if ! history=$(sh "$vm/read_file.sh" "$disk" /root/.bash_history); then
    fail "$variant: no history on the disk"
  elif [ -n "$history" ] && ! printf '%s' "$history" | grep -q Adm1n; then
    pass "$variant: root's history holds the commands and no password"
  else
    fail "$variant: root's history: $history"
  fi
  if grep -q Adm1n "$work/$variant.console"; then fail "$variant: its console sent a password back"; else pass "$variant: no password in what its console sent"; fi
done
if grep " to it: " "$work/events.log" | grep -q Adm1n; then pass "the trace holds what was typed"; else fail "no password in the trace of what was typed"; fi
if grep " from it: " "$work/events.log" | grep -q Adm1n; then fail "a password came back on a line"; else pass "no password came back on a line"; fi
# Debian's getty shows no banner word: the host name in its prompt must pick
# the password, so no login is refused.
if grep -q "Login incorrect" "$work/r7n.console" "$work/tr7n.console"; then fail "a login was refused"; else pass "every login took the variant's password at once"; fi

if [ "$failures" -ne 0 ]; then
  echo "--- what crossed the lines"
  grep -a "base[12] A" "$work/events.log" | cut -c1-300
fi
echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
