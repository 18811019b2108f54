#!/usr/bin/env bash
# The Windows build under Wine with a tcp: slot: module A of base unit 1 is a
# small Python server on this machine that answers the first bytes of each
# connection with a greeting and echoes what it hears in upper case. A
# terminal session on the slot shows the greeting and the echo.
# Usage: wine_tcp_test.sh WINE PATH/TO/r7n_uart_sim.exe PATH/TO/R7n_Uart.cfg
set -u
wine=$1
work=$(mktemp -d)
export TMUX_TMPDIR=$work
export WINEDEBUG=-all
server_pid=""
trap 'tmux kill-server 2>/dev/null; [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null; rm -rf "$work"' EXIT
command -v python3 > /dev/null || { echo "FAIL: python3 is missing (tools/install-deps.sh installs it)"; exit 1; }
mkdir "$work/bin"
cp "$2" "$work/bin/r7n_uart_sim.exe"
cp "$3" "$work/bin/R7n_Uart.cfg"
. "$(dirname "$0")/tmux_checks.sh"

# The server picks a free port on the loopback interface and writes it down.
cat > "$work/server.py" <<'PY'
import socket, sys, time
listener = socket.socket()
listener.bind(("127.0.0.1", 0))
listener.listen(1)
open(sys.argv[1], "w").write(str(listener.getsockname()[1]))
while True:
    conn, _ = listener.accept()
    greeting = b"bench module on tcp\r\n"
    while True:
        data = conn.recv(256)
        if not data:
            break
        conn.sendall(greeting + data.upper().replace(b"\r", b"\r\n"))
        greeting = b""
PY
python3 "$work/server.py" "$work/port" &
server_pid=$!
for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
port=$(cat "$work/port")

tmux new-session -d -s t -x 80 -y 25 \
  "cd '$work/bin' && '$wine' ./r7n_uart_sim.exe --base1 tcp:127.0.0.1:$port,silent,silent,silent \
   --base2 absent --events events.log; echo EXIT=\$?; sleep 60"
if wait_for 90 "<Q> Quit" "the menu is drawn"; then
  tmux send-keys -t t a
  wait_for 20 "R7N Base #1 Mod A - HPS Console" "key A opens the slot's session"
  # Typed once the slot has connected: before that the bytes go nowhere.
  for _ in $(seq 100); do grep -q "up: connecting" "$work/bin/events.log" 2> /dev/null && break; sleep 0.2; done
  sleep 1
  tmux send-keys -t t "hello wine" Enter
  wait_for 20 "bench module on tcp" "the far end answers"
  wait_for 20 "HELLO WINE" "bytes flow both ways"
  tmux send-keys -t t S-F2
  wait_for 20 "<Q> Quit" "Shift-F2 goes back to the menu"
  tmux send-keys -t t q
  wait_for 20 "EXIT=0" "Q ends the program with status 0"
  if grep -q "up: connecting" "$work/bin/events.log"; then pass "the events log shows the connection"; else fail "events: $(cat "$work/bin/events.log")"; fi
fi
echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
