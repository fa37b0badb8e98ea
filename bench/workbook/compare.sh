#!/usr/bin/env bash
# Workbook reader and writer side by side with python3-openpyxl on the same files, in one run:
# reading a 58 x 60 sheet and writing the 53-row production export (best of N, timed in-process).
# Not part of the test suite.
#   bench/workbook/compare.sh [BIN_DIR]     (default build/release/bin); N (20) may be set.
set -euo pipefail
bin=$(cd "${1:-build/release/bin}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
n=${N:-20}
python=${PYTHON:-/usr/bin/python3}  # Debian's interpreter, where python3-openpyxl is installed
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$bin/workbook_bench_tool" make "$work/sheet58x60.xlsx"
ms() { sed -n 's/^\([0-9.]*\) ms.*/\1/p'; }

ours_read=$("$bin/workbook_bench_tool" read "$work/sheet58x60.xlsx" "$n" | ms)
peer_read=$("$python" "$here/openpyxl_peer.py" read "$work/sheet58x60.xlsx" "$n" | ms)
ours_write=$("$bin/workbook_bench_tool" write "$work/ours.xlsx" "$n" | ms)
peer_write=$("$python" "$here/openpyxl_peer.py" write "$work/peer.xlsx" "$n" | ms)

printf '%-34s %10s %10s %8s\n' "job (best of $n)" "talvex ms" "openpyxl" "ratio"
awk -v a="$ours_read" -v b="$peer_read" 'BEGIN { printf "%-34s %10.2f %10.2f %8.2f\n", "read 58 x 60 sheet (goal < 50 ms)", a, b, a / b }'
awk -v a="$ours_write" -v b="$peer_write" 'BEGIN { printf "%-34s %10.2f %10.2f %8.2f\n", "write 53-row export (goal < 50 ms)", a, b, a / b }'
