#!/usr/bin/env bash
# The manual pages and --help name the same options, so that they cannot
# drift apart again.
# Usage: manual_options_test.sh PATH/TO/r7n_uart PATH/TO/r7n_uart_sim MANUAL_DIR
# MANUAL_DIR holds the configured r7n_uart.1 and r7n_uart_sim.1.
set -u
status=0
options() { grep -oE -- '--[a-z0-9][a-z0-9-]*' | sort -u; }
for program in "$1" "$2"; do
  name=$(basename "$program")
  page="$3/$name.1"
  from_help=$("$program" --help | options)
  # The page's source: its \- are the hyphens of the options.
  from_page=$(sed 's/\\-/-/g' "$page" | options)
  if [ -z "$from_help" ] || [ -z "$from_page" ]; then
    echo "FAIL: $name: no options found (--help or $page)"
    status=1
    continue
  fi
  missing=$(comm -23 <(echo "$from_help") <(echo "$from_page") | tr '\n' ' ')
  extra=$(comm -13 <(echo "$from_help") <(echo "$from_page") | tr '\n' ' ')
  if [ -n "$missing$extra" ]; then
    echo "FAIL: $name: only in --help: ${missing:-none}; only in the manual: ${extra:-none}"
    status=1
  else
    echo "ok: $name: --help and the manual name the same $(echo "$from_help" | wc -l) options"
  fi
done
exit $status
