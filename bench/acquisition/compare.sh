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

ms() { echo $(( ($(date +%s%N) - $1) / 1000000 )); }
warm() { cat "$@" >/dev/null 2>&1 || true; }

echo "== data: $rows rows over 48 sensors; $export_rows rows of one sensor (in $work)"
mkdir -p "$work/load" "$work/export"
[ -s "$work/load/orig.db" ] || gen "$work/load/orig.db" "$rows" 48
[ -s "$work/export/SensorDB.db" ] || gen "$work/export/SensorDB.db" "$export_rows" 1

# The start-up load's statements as the sqlite3 tool runs them: the distinct IDs, then per sensor the
# newest 20 000 rows, oldest first.
{
  echo "select distinct SensorId from SensorData;"
  for id in $(seq 1 48); do
    echo "select $fields from (select $fields,rowid as _rid from SensorData where SensorId = '$id' order by _rid desc limit 20000) order by _rid asc;"
  done
} >"$work/load.sql"

echo "== start-up load"
warm "$work/load/orig.db"
t=$(date +%s%N); sqlite3 "$work/load/orig.db" <"$work/load.sql" >/dev/null; peer=$(ms "$t")
echo "sqlite3 tool, same statements, file as written by earlier versions: $peer ms"
cp "$work/load/orig.db" "$work/load/SensorDB.db"
t=$(date +%s%N); first=$("$bin/acquisition_load_tool" "$work/load/SensorDB.db"); firstMs=$(ms "$t")
echo "talvex, first load of that file (adds the SensorId index once): $firstMs ms ($first)"
warm "$work/load/SensorDB.db"
t=$(date +%s%N); steady=$("$bin/acquisition_load_tool" "$work/load/SensorDB.db"); ours=$(ms "$t")
echo "talvex, every later load: $ours ms ($steady)"
t=$(date +%s%N); sqlite3 "$work/load/SensorDB.db" <"$work/load.sql" >/dev/null; peerIdx=$(ms "$t")
echo "sqlite3 tool, same statements, indexed file: $peerIdx ms"
awk -v a="$ours" -v b="$peer" 'BEGIN { printf "ratio talvex / sqlite3 (original file): %.3f (goal <= 0.5)\n", a / (b ? b : 1) }'

echo "== CSV export of $export_rows rows"
warm "$work/export/SensorDB.db"
t=$(date +%s%N)
sqlite3 -csv -header "$work/export/SensorDB.db" "select $fields from SensorData where SensorId = '1'" >"$work/peer.csv"
peerCsv=$(ms "$t")
echo "sqlite3 -csv: $peerCsv ms"
t=$(date +%s%N)
"$bin/talvex-cli" export --id 1 --out "$work/ours.csv" --data-dir "$work/export" 2>/dev/null
oursCsv=$(ms "$t")
echo "talvex-cli export: $oursCsv ms"
awk -v a="$oursCsv" -v b="$peerCsv" 'BEGIN { printf "ratio talvex / sqlite3 -csv: %.3f (goal <= 1)\n", a / (b ? b : 1) }'
# Same rows and fields: only the byte-order mark differs.
if cmp -s <(tail -c +4 "$work/ours.csv") "$work/peer.csv"; then echo "outputs identical apart from the BOM"; else echo "outputs differ"; fi

echo "== store memory and inserts"
"$bin/acquisition_bench" --benchmark_filter='Memory|Insert'
