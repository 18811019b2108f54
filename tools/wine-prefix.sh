#!/bin/sh
# Makes Wine's prefix once, before tests run in parallel under it: two Wine
# processes that both find no prefix would both try to create it.
set -eu
export WINEDEBUG=-all
wineboot --init >/dev/null 2>&1 || true
wineserver -w
