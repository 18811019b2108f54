#!/usr/bin/env bash
# Runs the tests whose point is a permission the process lacks: a file
# without read permission, a read-only directory, a device refused. Root
# reads and writes regardless, so under root those tests skip in the suite;
# here they run again as the user nobody, and must run, not skip.
# Usage: unprivileged_cases_test.sh TEST_PROGRAM GTEST_FILTER
set -u
if [ "$(id -u)" -ne 0 ]; then
  echo "not root: these cases ran in the suite itself"
  exit 0
fi
if ! command -v setpriv >/dev/null; then
  echo "setpriv not found: cannot drop root"
  exit 77
fi
# A copy that nobody can reach, whatever the build directory's modes.
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
chmod 755 "$dir"
cp "$1" "$dir/"
program="$dir/$(basename "$1")"
chmod 755 "$program"
output=$(cd "$dir" && setpriv --reuid=65534 --regid=65534 --clear-groups \
  "$program" --gtest_filter="$2" 2>&1)
status=$?
echo "$output"
if [ $status -ne 0 ]; then
  echo "FAIL: exit status $status"
  exit 1
fi
if echo "$output" | grep -q '^\[  SKIPPED \]'; then
  echo "FAIL: a case skipped although the process is unprivileged"
  exit 1
fi
if ! echo "$output" | grep -Eq '^\[  PASSED  \] [1-9][0-9]* test'; then
  echo "FAIL: no case ran for the filter '$2'"
  exit 1
fi
