#!/usr/bin/env bash
# Builds the fuzz preset and runs one libFuzzer target (or all of them, one after the other) for
# SECONDS each (default 600). New inputs go to build/fuzz/corpus/TARGET; the seeds in
# fuzz/corpus/TARGET are read, never written. A crash, a property broken, an input slower than 1 s or
# a run above 2 GB stops the target, leaves the input in build/fuzz/artifacts/ and fails the script
# (TALVEX_FUZZ_TIMEOUT sets another limit per input, in seconds).
# `smoke` is every target but workbook_xls, whose library faults (contained by the reader's child
# process, docs/fuzzing.md) it meets within seconds: the test command runs that set.
#     scripts/fuzz.sh TARGET|all|smoke [SECONDS]     scripts/fuzz.sh --list
set -euo pipefail
cd "$(dirname "$0")/.."
TARGETS=(rtu_response frames history ini text_codec workbook_zip workbook_xls csv)
SMOKE=(rtu_response frames history ini text_codec workbook_zip csv)

if [ "${1:-}" = --list ]; then
  printf '%s\n' "${TARGETS[@]}"
  exit 0
fi
if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  echo "usage: scripts/fuzz.sh TARGET|all|smoke [SECONDS]   (targets: ${TARGETS[*]})" >&2
  exit 2
fi
target=$1
seconds=${2:-600}
if ! [[ "$seconds" =~ ^[1-9][0-9]*$ ]]; then
  echo "scripts/fuzz.sh: SECONDS must be a positive whole number: $seconds" >&2
  exit 2
fi
if [ "$target" = all ]; then
  selected=("${TARGETS[@]}")
elif [ "$target" = smoke ]; then
  selected=("${SMOKE[@]}")
elif [[ " ${TARGETS[*]} " == *" $target "* ]]; then
  selected=("$target")
else
  echo "scripts/fuzz.sh: unknown target: $target (targets: ${TARGETS[*]})" >&2
  exit 2
fi

export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/talvex-ccache}"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

# The sanitizers ignore only two faults of the .xls library, which the reader keeps in a child process
# (fuzz/lsan.supp and fuzz/asan.supp say which and why).
export LSAN_OPTIONS="suppressions=$PWD/fuzz/lsan.supp:print_suppressions=0"
export ASAN_OPTIONS="suppressions=$PWD/fuzz/asan.supp"
mkdir -p build/fuzz/artifacts build/fuzz/logs
for t in "${selected[@]}"; do
  mkdir -p "build/fuzz/corpus/$t"
  log="build/fuzz/logs/$t.log"
  echo "== fuzz_$t for ${seconds} s (log: $log)" >&2
  status=0
  build/fuzz/bin/fuzz_"$t" -max_total_time="$seconds" -timeout="${TALVEX_FUZZ_TIMEOUT:-1}" -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="build/fuzz/artifacts/$t-" "build/fuzz/corpus/$t" "fuzz/corpus/$t" >"$log" 2>&1 || status=$?
  if [ "$status" != 0 ]; then
    tail -n 60 "$log" >&2
    echo "scripts/fuzz.sh: fuzz_$t failed (exit $status); the input is in build/fuzz/artifacts/" >&2
    exit 1
  fi
  grep -E '^#[0-9]+[[:space:]]+(INITED|DONE)|^stat::(number_of_executed_units|peak_rss_mb)' "$log" >&2 || true
done
