# Sourced by the checks that drive a program in tmux session "t": the pass
# and failure counts, the screen, and waiting for a text to show.
failures=0
passes=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; passes=$((passes + 1)); }
screen() { tmux capture-pane -p -t t; }

# Waits up to SECONDS for TEXT anywhere on the screen.
wait_for() {  # wait_for SECONDS TEXT WHAT
  local deadline=$((SECONDS + $1))
  while [ $SECONDS -lt $deadline ]; do
    if screen | grep -qF -- "$2"; then
      pass "$3"
      return 0
    fi
    sleep 0.1
  done
  fail "$3: no '$2' on the screen:"
  screen | sed 's/^/  | /'
  return 1
}
