#!/usr/bin/env bash
# Runs every built fuzz target for a bounded time, one after the other.
#
#   tools/run-fuzzers.sh [SECONDS] [BIN_DIR]
#
# SECONDS per target (default 60); BIN_DIR holds the fuzz_* programs (default
# build/fuzz/bin, from `cmake --preset fuzz && cmake --build --preset fuzz`).
# Each target starts from a scratch copy of its seeds in fuzz/corpus/<target>,
# so what it finds does not flood the repository; the seeds directory itself is
# only read. Crashing inputs are kept in BIN_DIR/../fuzz-artifacts/<target>/.
# Prints one summary line per target and exits non-zero when any target found
# a crash, a leak, a time-out or ran out of memory.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
bin_dir=${2:-$repo/build/fuzz/bin}

case $seconds in
  '' | *[!0-9]*) echo "run-fuzzers: SECONDS must be a whole number, not '$seconds'" >&2; exit 2 ;;
esac
if [ ! -d "$bin_dir" ]; then
  echo "run-fuzzers: no fuzz build in $bin_dir (cmake --preset fuzz && cmake --build --preset fuzz)" >&2
  exit 2
fi
bin_dir=$(cd "$bin_dir" && pwd)
artifacts=$(cd "$bin_dir/.." && pwd)/fuzz-artifacts

shopt -s nullglob
targets=("$bin_dir"/fuzz_*)
if [ ${#targets[@]} -eq 0 ]; then
  echo "run-fuzzers: no fuzz_* programs in $bin_dir" >&2
  exit 2
fi

scratch=$(mktemp -d "${TMPDIR:-/tmp}/r7n-fuzz.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

failed=0
summaries=()
for program in "${targets[@]}"; do
  [ -x "$program" ] || continue
  name=$(basename "$program")
  seeds=$repo/fuzz/corpus/$name
  corpus=$scratch/$name/corpus
  found=$artifacts/$name
  log=$scratch/$name/log
  mkdir -p "$corpus" "$found"
  read_only=()
  if [ -d "$seeds" ]; then
    cp -R "$seeds"/. "$corpus"/
    read_only=("$seeds")
  fi

  echo "== $name: $seconds s"
  status=0
  # The first corpus directory receives new inputs; the seeds are only read.
  "$program" -max_total_time="$seconds" -timeout=25 -print_final_stats=1 \
    -artifact_prefix="$found/" "$corpus" "${read_only[@]}" >"$log" 2>&1 || status=$?

  # A target that fails on its seeds prints no statistics at all.
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)
  cov=$( (grep -o 'cov: [0-9]*' "$log" || true) | tail -n 1 | cut -d' ' -f2)
  ft=$( (grep -o 'ft: [0-9]*' "$log" || true) | tail -n 1 | cut -d' ' -f2)
  result=ok
  # libFuzzer names every input it keeps for a failure; slow units are no failure.
  mapfile -t crashes < <(sed -n 's/.*Test unit written to //p' "$log" | grep -v '/slow-unit-' || true)
  if [ "$status" -ne 0 ] || [ ${#crashes[@]} -gt 0 ]; then
    result=FAILED
    failed=1
    grep -E 'invariant violated|ERROR: (AddressSanitizer|UndefinedBehaviorSanitizer|libFuzzer)|runtime error|deadly signal' \
      "$log" | head -n 5 || true
    tail -n 20 "$log" | sed 's/^/    /'
    for artifact in "${crashes[@]}"; do echo "  crashing input: $artifact"; done
  fi
  summaries+=("$(printf '%-20s runs %-10s exec/s %-7s cov %-6s ft %-6s %s' \
    "$name" "${runs:-?}" "${speed:-?}" "${cov:-?}" "${ft:-?}" "$result")")
done

echo
echo "== summary ($seconds s per target)"
printf '%s\n' "${summaries[@]}"
exit "$failed"
