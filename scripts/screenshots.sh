#!/usr/bin/env bash
# Renders the main window on the simulated sensor bus, in English and in Chinese, into docs/.
# Needs no display (Qt's offscreen platform). Usage: bash scripts/screenshots.sh [out-dir] [wait-ms]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/talvex-ccache}"
preset="${TALVEX_PRESET:-release}"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target talvex-screenshots
QT_QPA_PLATFORM=offscreen "build/$preset/bin/talvex-screenshots" "${1:-docs}" "${2:-8000}"
