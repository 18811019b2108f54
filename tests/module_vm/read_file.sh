#!/bin/sh
# Prints a file from a virtual module's disk once the module is off, without
# mounting it. Fails, saying why, if the file is not there.
# Usage: read_file.sh DISK PATH
set -eu
err=$(mktemp)
trap 'rm -f "$err"' EXIT
debugfs -R "cat $2" "$1" 2> "$err"
# debugfs names itself on stderr and exits 0 even when the file is missing.
if grep -v '^debugfs [0-9]' "$err" >&2; then exit 1; fi
