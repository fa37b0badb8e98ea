#!/usr/bin/env bash
# Peer comparison in one run, on the same files: the start-up load against the sqlite3 tool running the
# same statements, and the CSV export against `sqlite3 -csv`; then the Google Benchmark figures (store
# memory per record, inserts per second). Not part of the test suite: it writes a few hundred MB.
#   bench/acquisition/compare.sh [BIN_DIR]     (default build/release/bin)
# ROWS (5000000), EXPORT_ROWS (1000000) and WORK (a temporary directory) may be set.
set -euo pipefail
bin=$(cd "${1:-build/release/bin}" && pwd)
rows=${ROWS:-5000000}
export_rows=${EXPORT_ROWS:-1000000}
work=${WORK:-$(mktemp -d)}
mkdir -p "$work"
trap '[ -z "${WORK:-}" ] && rm -rf "$work"' EXIT

create="Create table if not exists SensorData(SensorId char, Timestamp char, H2DG char, H2AG char, Temp char, DayRoc char, PR char, WT char, RunStatus char)"
fields="SensorId,Timestamp,H2DG,H2AG,Temp,DayRoc,PR,WT,RunStatus"

# gen FILE ROWS SENSORS: rows in the poller's text forms, sensors interleaved as they arrive.
gen() {
  sqlite3 "$1" "PRAGMA journal_mode=WAL; $create;
    WITH RECURSIVE c(n) AS (SELECT 0 UNION ALL SELECT n+1 FROM c WHERE n < $2 - 1)
    INSERT INTO SensorData SELECT (n % $3) + 1,
      strftime('%Y-%m-%d %H:%M:%S', 1700000000 + n / $3, 'unixepoch'), n % 5000, n % 3000,
      printf('%.1f', 20 + (n % 300) / 10.0), n % 50 - 25, printf('%.1f', 101 + (n % 10) / 10.0),
      printf('%.1f', (n % 100) / 10.0), printf('%X', n % 4096) FROM c;" >/dev/null
}

warm() { cat "$@" >/dev/null 2>&1 || true; }
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

echo "== data: $rows rows over 48 sensors; $export_rows rows of one sensor (in $work)"
mkdir -p "$work/load" "$work/export"
[ -s "$work/load/orig.db" ] || gen "$work/load/orig.db" "$rows" 48
[ -s "$work/export/orig.db" ] || gen "$work/export/orig.db" "$export_rows" 1

# The start-up load's statements as the sqlite3 tool runs them: the distinct IDs, then per sensor the
# newest 20 000 rows, oldest first.
{
  echo "select distinct SensorId from SensorData;"
  for id in $(seq 1 48); do
    echo "select $fields from (select $fields,rowid as _rid from SensorData where SensorId = '$id' order by _rid desc limit 20000) order by _rid asc;"
  done
} >"$work/load.sql"
sqlite_load() { sqlite3 "$1" <"$work/load.sql"; }

echo "== start-up load (best of 3)"
warm "$work/load/orig.db"
peer=$(best 3 sqlite_load "$work/load/orig.db")
echo "sqlite3 tool, same statements, file as written by earlier versions: $peer ms"
cp "$work/load/orig.db" "$work/load/SensorDB.db"
rm -f "$work/load/SensorDB.db-wal" "$work/load/SensorDB.db-shm"
firstOut=$("$bin/acquisition_load_tool" "$work/load/SensorDB.db")
echo "talvex, first start on that file: $firstOut (the load is what the window waits for; the index is built after it, in the background)"
first=${firstOut%% ms*}
awk -v a="$first" -v b="$peer" 'BEGIN { printf "ratio talvex first start / sqlite3 (original file): %.2f (goal <= 0.5)\n", a / (b ? b : 1) }'
ours=$(best 3 "$bin/acquisition_load_tool" "$work/load/SensorDB.db")
echo "talvex, every later load: $ours ms ($("$bin/acquisition_load_tool" "$work/load/SensorDB.db"))"
peerIdx=$(best 3 sqlite_load "$work/load/SensorDB.db")
echo "sqlite3 tool, same statements, indexed file: $peerIdx ms"
awk -v a="$ours" -v b="$peer" 'BEGIN { printf "ratio talvex / sqlite3 (original file): %.2f (goal <= 0.5)\n", a / (b ? b : 1) }'

echo "== CSV export of $export_rows rows (best of 3)"
select="select $fields from SensorData where SensorId = '1'"
for kind in original indexed; do
  mkdir -p "$work/export/$kind"
  cp "$work/export/orig.db" "$work/export/$kind/SensorDB.db"
  # The application's start-up load has always run (and added the index) before a user exports.
  [ "$kind" = indexed ] && "$bin/acquisition_load_tool" "$work/export/$kind/SensorDB.db" >/dev/null
  db="$work/export/$kind/SensorDB.db"
  warm "$db"
  peerCsv=$(best 3 sqlite3 -csv -header "$db" "$select")
  oursCsv=$(best 3 "$bin/talvex-cli" export --id 1 --out "$work/ours.csv" --force --data-dir "$work/export/$kind")
  sqlite3 -csv -header "$db" "$select" >"$work/peer.csv"
  echo "$kind file: sqlite3 -csv $peerCsv ms, talvex-cli export $oursCsv ms, ratio" \
    "$(awk -v a="$oursCsv" -v b="$peerCsv" 'BEGIN { printf "%.2f", a / (b ? b : 1) }') (goal <= 1);" \
    "lines $(wc -l <"$work/ours.csv") vs $(wc -l <"$work/peer.csv")"
done

echo "== store memory and inserts"
"$bin/acquisition_bench" --benchmark_filter='Memory|Insert'
