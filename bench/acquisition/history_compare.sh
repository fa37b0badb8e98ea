#!/usr/bin/env bash
# History export beside the sqlite3 tool in one run: 1 000 000 records written by the Records page's CSV
# writer against `sqlite3 -csv` writing the same seven columns from a table of texts; then the Google
# Benchmark figures (parser records/s on 50 MB, memory per record of a 1 000 000-record read).
#   bench/acquisition/history_compare.sh [BIN_DIR]     (default build/release/bin)
# RECORDS (1000000) and WORK (a temporary directory) may be set.
set -euo pipefail
bin=$(cd "${1:-build/release/bin}" && pwd)
records=${RECORDS:-1000000}
work=${WORK:-$(mktemp -d)}
mkdir -p "$work"
trap '[ -z "${WORK:-}" ] && rm -rf "$work"' EXIT

# The seven history texts as the list shows them, one row per record.
db="$work/history.db"
if [ ! -s "$db" ]; then
  sqlite3 "$db" "CREATE TABLE History(Id text, Time text, H2 text, Temp text, Rate text, PR text, WT text);
    WITH RECURSIVE c(n) AS (SELECT 0 UNION ALL SELECT n+1 FROM c WHERE n < $records - 1)
    INSERT INTO History SELECT '1', strftime('%Y-%m-%d %H:%M:%S', 1767225600 + n * 60, 'unixepoch'),
      n * 7 % 5000, printf('%.2f', (10000 + n * 13 % 9000) / 100.0 - 100), n % 50 - 25,
      printf('%.2f', 101.3 + (n % 100) / 100.0), printf('%.2f', 12 + (n % 700) / 100.0) FROM c;" >/dev/null
fi

# best N CMD...: the shortest of N runs in ms (the machine may be shared; the minimum is the most stable).
best() {
  local n=$1 min=
  shift
  for _ in $(seq "$n"); do
    local t0=$(date +%s%N)
    "$@" >/dev/null 2>&1
    local t=$(( ($(date +%s%N) - t0) / 1000000 ))
    if [ -z "$min" ] || [ "$t" -lt "$min" ]; then min=$t; fi
  done
  echo "$min"
}
peer_csv() { sqlite3 -csv -header "$db" "select Id,Time,H2,Temp,Rate,PR,WT from History" >"$work/peer.csv"; }
ours_csv() { "$bin/history_export_tool" "$records" "$work/ours.csv"; }

echo "== CSV export of $records history records (best of 3)"
cat "$db" >/dev/null
peer=$(best 3 peer_csv)
ours=$(best 3 ours_csv)
writer=$(ours_csv)
echo "sqlite3 -csv: $peer ms; talvex writer process: $ours ms (the writer itself: $writer ms)"
awk -v a="$ours" -v b="$peer" 'BEGIN { printf "ratio talvex / sqlite3: %.2f (goal <= 1.0)\n", a / (b ? b : 1) }'
echo "sizes: $(stat -c %s "$work/ours.csv") vs $(stat -c %s "$work/peer.csv") bytes;" \
  "lines $(wc -l <"$work/ours.csv") vs $(wc -l <"$work/peer.csv")"

echo "== parser and read memory"
"$bin/history_bench" --benchmark_filter='Parse|Memory'
