#!/usr/bin/env bash
# Peer comparison in one run, on the same file: loading a 58 × 60 calibration workbook (.xlsx) into
# the calibration sheet (talvex, through the workbook reader) against python3-openpyxl opening the
# same file and reading the same cells (row 1 columns 2..58, rows 2..58 columns 1..57). Both times
# are the best of RUNS loads inside one process, so interpreter and program start-up do not count.
#   bench/fitting/compare.sh [BIN_DIR]     (default build/release/bin); RUNS (20), WORK, PYTHON may be set.
set -euo pipefail
bin=$(cd "${1:-build/release/bin}" && pwd)
runs=${RUNS:-20}
work=${WORK:-$(mktemp -d)}
mkdir -p "$work"
trap '[ -z "${WORK:-}" ] && rm -rf "$work"' EXIT
xlsx="$work/calibration_58x60.xlsx"
# Debian's interpreter, where python3-openpyxl is installed (another python3 may come first in PATH).
py=${PYTHON:-$([ -x /usr/bin/python3 ] && echo /usr/bin/python3 || echo python3)}

"$py" - "$xlsx" <<'PY'
import sys
from openpyxl import Workbook
wb = Workbook()
ws = wb.active
for c in range(2, 61):
    ws.cell(row=1, column=c, value=round(10.0 * (c - 1), 2))
for r in range(2, 59):
    ws.cell(row=r, column=1, value=r - 1)
    for c in range(2, 61):
        ws.cell(row=r, column=c, value=round(r * 1.25 + c * 0.375 + (c * c) * 0.001, 4))
wb.save(sys.argv[1])
PY

ours=$("$bin/fitting_load_tool" "$xlsx" "$runs")
peer=$("$py" - "$xlsx" "$runs" <<'PY'
import sys, time
from openpyxl import load_workbook
path, runs = sys.argv[1], int(sys.argv[2])
best = None
for _ in range(runs):
    t0 = time.perf_counter()
    ws = load_workbook(path, data_only=True).worksheets[0]
    texts = [str(ws.cell(row=1, column=c + 2).value or "") for c in range(57)]
    for w in range(57):
        for k in range(57):
            texts.append(str(ws.cell(row=w + 2, column=k + 1).value or ""))
    ms = (time.perf_counter() - t0) * 1000
    best = ms if best is None else min(best, ms)
print("%.2f ms, %d cells read" % (best, len(texts)))
PY
)
echo "== 58 x 60 calibration workbook (.xlsx), best of $runs loads"
echo "talvex (workbook reader + sheet and grid): $ours"
echo "python3-openpyxl (same file, same cells):  $peer"
awk -v a="${ours%% ms*}" -v b="${peer%% ms*}" \
  'BEGIN { printf "ratio talvex / openpyxl: %.2f; talvex under the 50 ms goal: %s\n", a / b, (a < 50 ? "yes" : "no") }'
