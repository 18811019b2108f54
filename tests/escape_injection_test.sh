#!/usr/bin/env bash
# A simulated module pours random bytes and terminal control sequences into an
# open terminal session of r7n_uart_sim running in tmux (80 x 25). None of it
# may reach tmux as a control sequence: once the noise is over, tmux's screen
# equals the program's own screen (its --screen-dump file) row for row, tmux's
# modes are those the program set, and after the program has ended the pane's
# title, modes and colours are what they were before it started.
# Usage: escape_injection_test.sh PATH/TO/r7n_uart_sim PATH/TO/R7n_Uart.cfg [SEED...]
# Each seed (default: 1 2) is one run with a 64 KiB burst on the normal line,
# where the program loses what overflows the UART; one more run uses a deep
# receive FIFO so that every byte of a shorter burst reaches the screen.
set -u
export LC_ALL=C.UTF-8
work=$(mktemp -d)
export TMUX_TMPDIR=$work
socket=r7n-escape-$$
tmx() { tmux -u -L "$socket" -f "$work/tmux.conf" "$@"; }
trap 'tmx kill-server 2>/dev/null; rm -rf "$work"' EXIT

mkdir "$work/bin"
cp "$1" "$work/bin/r7n_uart_sim"
cp "$2" "$work/bin/R7n_Uart.cfg"
shift 2
seeds=("$@")
[ ${#seeds[@]} -gt 0 ] || seeds=(1 2)
sim="$work/bin/r7n_uart_sim"
dump="$work/dump.txt"
line_baud=115200
failures=0
passes=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; passes=$((passes + 1)); }

# Let tmux act on everything it can, so a sequence that got through shows:
# window names, clipboard buffers, the title.
cat > "$work/tmux.conf" <<'EOF'
set -g status off
set -g allow-rename on
set -g automatic-rename off
set -g set-clipboard on
set -g bell-action none
set -g visual-bell off
EOF

# What runs in the pane: a known title, the colour replies noted before and
# after, the program in between once the test says go.
cat > "$work/pane.sh" <<'EOF'
dir=$1
shift
colours() {  # the palette and cursor colour as tmux reports them; a DSR reply ends the list
  local reply=""
  stty -echo -icanon < /dev/tty
  printf '\033]4;%d;?\033\\' $(seq 0 15) > /dev/tty
  printf '\033]12;?\033\\\033[5n' > /dev/tty
  IFS= read -r -s -t 3 -d n reply < /dev/tty
  stty echo icanon < /dev/tty
  printf '%q\n' "$reply"
}
printf '\033]2;r7n-title\033\\'
colours > "$dir/colours.before"
touch "$dir/ready"
until [ -e "$dir/go" ]; do sleep 0.1; done
"$@"
echo "EXIT=$?"
colours > "$dir/colours.after"
echo "shell after"
touch "$dir/done"
exec sleep 600
EOF

# The pane's state that a control sequence could change, one item a line.
state() {
  tmx display -p -t t "title=#{pane_title}|window=#{window_name}|alternate=#{alternate_on}|\
cursor=#{cursor_flag}|insert=#{insert_flag}|keypad=#{keypad_flag}|\
keypad_cursor=#{keypad_cursor_flag}|mouse=#{mouse_any_flag}#{mouse_button_flag}#{mouse_all_flag}\
#{mouse_standard_flag}#{mouse_utf8_flag}#{mouse_sgr_flag}|wrap=#{wrap_flag}|\
origin=#{origin_flag}|scroll_region=#{scroll_region_upper}-#{scroll_region_lower}|\
tabs=#{pane_tabs}|fg=#{pane_fg}|bg=#{pane_bg}" | tr '|' '\n'
  echo "buffers=$(tmx list-buffers 2>/dev/null | wc -l)"
}
same_state() {  # same_state BEFORE AFTER WHAT
  if [ "$1" = "$2" ]; then
    pass "$3"
  else
    fail "$3:"
    diff <(echo "$1") <(echo "$2") | sed -n 's/^</    before: /p; s/^>/    after:  /p'
  fi
}

screen() { tmx capture-pane -p -t t; }
row() { screen | sed -n "$1p"; }
keys() { tmx send-keys -t t "$@"; }
wait_for() {  # wait_for SECONDS COMMAND...: until the command succeeds
  local tries=$(($1 * 10))
  shift
  for _ in $(seq "$tries"); do
    if "$@"; then return 0; fi
    sleep 0.1
  done
  return 1
}
row_starts() { case "$(row "$1")" in "$2"*) return 0 ;; esac; return 1; }

# Waits until the dump has not changed for 2 s, at least min_seconds after the
# start: the burst is then over and the program has shown all it took in.
wait_quiet() {  # wait_quiet MIN_SECONDS
  local start=$SECONDS last="" sum same=0
  for _ in $(seq 600); do
    sleep 0.25
    sum=$(md5sum < "$dump")
    if [ "$sum" = "$last" ]; then same=$((same + 1)); else same=0; last=$sum; fi
    if [ "$same" -ge 8 ] && [ $((SECONDS - start)) -ge "$1" ]; then return 0; fi
  done
  return 1
}

# tmux's screen against the program's, row for row, blanks at the ends of the
# rows left out on both sides (tmux does not keep them apart from cleared cells).
compare_screen() {  # compare_screen WHAT
  local tmux_rows model_rows r
  tmux_rows=$(screen | sed 's/ *$//')
  model_rows=$(sed 's/ *$//' "$dump")
  if [ "$tmux_rows" = "$model_rows" ]; then
    pass "$1"
    return
  fi
  fail "$1; rows that differ:"
  for r in $(seq 25); do
    local t m
    t=$(sed -n "${r}p" <<< "$tmux_rows")
    m=$(sed -n "${r}p" <<< "$model_rows")
    if [ "$t" != "$m" ]; then
      printf '    row %2d tmux:  |%s|\n' "$r" "$t"
      printf '    row %2d model: |%s|\n' "$r" "$m"
    fi
  done
}

run() {  # run NAME BURST_BYTES SIM_OPTIONS...
  local name=$1 bytes=$2 started=$SECONDS
  shift 2
  tmx kill-server 2>/dev/null
  rm -f "$work"/{ready,go,done,colours.before,colours.after} "$dump" "$work/bin/Term.txt"
  tmx new-session -d -s t -n r7n-window -x 80 -y 25 \
    "bash '$work/pane.sh' '$work' env TERM=tmux-256color LANG=C.UTF-8 '$sim' \
     --screen-dump '$dump' --noise-bytes $bytes $*"
  if ! wait_for 10 test -e "$work/ready"; then
    fail "$name: the pane did not start: $(screen | tr -s '\n' ' ')"
    return
  fi
  local before running
  before=$(state)
  grep -qx "title=r7n-title" <<< "$before" || fail "$name: the pane's title was not set: $before"
  touch "$work/go"
  if ! wait_for 10 row_starts 1 "R7N UART:"; then
    fail "$name: no menu: $(screen | tr -s '\n' ' ')"
    return
  fi
  running=$(state)
  keys a
  if ! wait_for 10 row_starts 19 "R7N Base #1 Mod A - HPS Console"; then
    fail "$name: key A did not open module A: $(screen | tr -s '\n' ' ')"
    return
  fi
  local header
  header=$(sed 's/ *$//' "$dump")
  keys Enter
  if ! wait_quiet $(((bytes * 10 + line_baud - 1) / line_baud + 1)); then
    fail "$name: the screen never came to rest"
    return
  fi
  if [ "$(sed 's/ *$//' "$dump")" != "$header" ] && grep -q "<ESC>" "$dump"; then
    pass "$name: the noise reached the screen ($(wc -c < "$work/bin/Term.txt") bytes captured)"
  else
    fail "$name: no noise on the screen: $(tr -s '\n' ' ' < "$dump")"
  fi
  compare_screen "$name: tmux shows the program's screen"
  same_state "$running" "$(state)" "$name: tmux's modes are still the program's"

  keys S-F2
  wait_for 10 row_starts 1 "R7N UART:" || fail "$name: Shift-F2 did not end the terminal"
  keys q
  if ! wait_for 10 test -e "$work/done"; then
    fail "$name: the program did not end: $(screen | tr -s '\n' ' ')"
    return
  fi
  same_state "$before" "$(state)" "$name: title and modes as before"
  same_state "$(cat "$work/colours.before")" "$(cat "$work/colours.after")" \
    "$name: palette and cursor colour as before"
  # Captured on their own, so that tmux spells out every attribute the rows
  # have rather than the change from the row above.
  local first plain
  first=$(screen | grep -n -a -m 1 '^EXIT=' | cut -d: -f1)
  plain=$(tmx capture-pane -p -e -t t -S $((${first:-1} - 1)) -E "${first:-1}")
  if [ "$plain" = $'EXIT=0\nshell after' ]; then
    pass "$name: the shell's text after the program has no colours left over"
  else
    fail "$name: the shell's text after the program: $(printf '%q' "$plain")"
  fi
  echo "    ($name took $((SECONDS - started)) s)"
}

for seed in "${seeds[@]}"; do
  run "seed $seed" 65536 --base1 noise,r7n,r7n,r7n --noise-seed "$seed"
done
run "every byte shown" 8192 --base1 noise,r7n,r7n,r7n --noise-seed 3 --rx-fifo 65536

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
