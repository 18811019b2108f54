#!/usr/bin/env bash
# A unix: slot whose listener (a virtual machine's serial console, played by
# a small Python server) closes and comes back while a terminal session on
# the slot runs: the session goes on, and bytes flow again after the slot
# connects anew.
# Usage: socket_reconnect_test.sh PATH/TO/r7n_uart_sim PATH/TO/R7n_Uart.cfg
set -u
work=$(mktemp -d)
export TMUX_TMPDIR=$work
server_pid=""
trap 'tmux kill-server 2>/dev/null; [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null; rm -rf "$work"' EXIT
. "$(dirname "$0")/tmux_checks.sh"
command -v python3 > /dev/null || { echo "FAIL: python3 is missing (tools/install-deps.sh installs it)"; exit 1; }

mkdir "$work/bin"
cp "$1" "$work/bin/r7n_uart_sim"
cp "$2" "$work/bin/R7n_Uart.cfg"

# The console of a machine that boots twice: on each connection it answers
# the first bytes it hears with its boot count, and echoes everything in
# upper case; the file "drop" makes it close and go away, the file "reopen"
# brings it back. (What it said before the session selected the slot would
# be lost on the line, as on a real chassis.)
cat > "$work/vm.py" <<'PY'
import os, socket, sys, time
path, work = sys.argv[1], sys.argv[2]
for boot in (1, 2):
    while boot == 2 and not os.path.exists(work + "/reopen"):
        time.sleep(0.05)
    listener = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    listener.bind(path)
    listener.listen(1)
    conn, _ = listener.accept()
    greeting = b"vm console, boot %d\r\n" % boot
    conn.setblocking(False)
    while not (boot == 1 and os.path.exists(work + "/drop")):
        try:
            data = conn.recv(256)
            if not data:
                break
            conn.sendall(greeting + data.upper().replace(b"\r", b"\r\n"))
            greeting = b""
        except BlockingIOError:
            time.sleep(0.01)
    conn.close()
    listener.close()
    os.unlink(path)
    if boot == 2:
        break
PY
python3 "$work/vm.py" "$work/vm.sock" "$work" &
server_pid=$!

tmux new-session -d -s t -x 80 -y 25 \
  "cd / && LANG=C.UTF-8 TERM=tmux-256color '$work/bin/r7n_uart_sim' --reconnect-delay 100 \
   --events '$work/events.log' --base1 'unix:$work/vm.sock,silent,silent,silent' --base2 absent \
   2> '$work/stderr'; echo EXIT=\$?; sleep 60"
keys() { tmux send-keys -t t "$@"; }
events_show() {  # events_show PATTERN SECONDS
  local deadline=$((SECONDS + $2))
  while [ "$SECONDS" -lt "$deadline" ]; do
    grep -q -- "$1" "$work/events.log" 2> /dev/null && return 0
    sleep 0.1
  done
  return 1
}

wait_for 10 "R7N UART:" "the menu comes up"
keys a
wait_for 5 "R7N Base #1 Mod A - HPS Console" "key A opens the slot's session"
if events_show "up: connected" 10; then pass "the slot connects once the machine listens"; else fail "no connection: $(cat "$work/events.log")"; fi
keys "hello" Enter
wait_for 10 "vm console, boot 1" "the machine answers"
wait_for 10 "HELLO" "bytes flow both ways"
touch "$work/drop"
if events_show "down: closed by the far end" 10; then pass "the slot sees the far end go"; else fail "no drop in $(cat "$work/events.log")"; fi
sleep 1  # the slot tries again and is refused meanwhile
keys "lost" Enter
touch "$work/reopen"
connections() { grep -c "up: connected" "$work/events.log"; }
deadline=$((SECONDS + 10))
while [ "$(connections)" -lt 2 ] && [ "$SECONDS" -lt "$deadline" ]; do sleep 0.1; done
if [ "$(connections)" -eq 2 ]; then pass "the slot connects again"; else fail "no second connection"; fi
keys "again" Enter
wait_for 10 "vm console, boot 2" "the session goes on with the machine's second boot"
wait_for 10 "AGAIN" "bytes flow again after the reconnect"
wait_for 1 "R7N Base #1 Mod A - HPS Console" "the session's header is still there"
keys S-F2
wait_for 5 "R7N UART:" "Shift-F2 ends the session"
keys q
wait_for 10 "EXIT=0" "q ends the program"
if grep -q "1 disconnects" "$work/stderr"; then pass "the summary counts the drop"; else fail "summary: $(cat "$work/stderr")"; fi
if grep -q "failed attempts" "$work/stderr" && ! grep -q " 0 failed attempts" "$work/stderr"; then
  pass "the refused attempts are counted"
else
  fail "summary: $(cat "$work/stderr")"
fi
if grep -q "LOST" "$work/bin/Term.txt"; then fail "bytes typed while the far end was away arrived"; else pass "bytes typed while the far end was away went nowhere"; fi

echo "--- events"
cat "$work/events.log"
cat "$work/stderr"
echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
