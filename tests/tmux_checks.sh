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

row() { screen | sed -n "$1p"; }
keys() { tmux send-keys -t t "$@"; }

# The eight module lines of a V or S screen, rows 3 to 10: base unit 1's
# modules A to D, then base unit 2's, each with its address.
addresses() {  # addresses TITLE ADDRESS...
  local title=$1 n=3 unit slot
  shift
  for unit in 1 2; do
    for slot in A B C D; do
      local want=" R7N Base #$unit Module $slot - IP Address: $1"
      if [ "$(row $n)" = "$want" ]; then pass "$title: $unit$slot"; else fail "$title: row $n is '$(row $n)', not '$want'"; fi
      n=$((n + 1))
      shift
    done
  done
}
