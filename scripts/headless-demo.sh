#!/usr/bin/env bash
# Headless demo: a simulated sensor bus on a pseudo-terminal, polled by talvex-cli.
set -euo pipefail
bin=${1:-build/release/bin}
work=$(mktemp -d)
trap 'kill "$sim" 2>/dev/null || true; rm -rf "$work"' EXIT
"$bin/talvex-sim" --sensors 1-3 --link "$work/bus" >"$work/sim.out" &
sim=$!
for _ in $(seq 50); do [ -e "$work/bus" ] && break; sleep 0.1; done
"$bin/talvex-cli" poll --port "$work/bus" --ids 1-3 --data-dir "$work" --duration "${TALVEX_DEMO_SECONDS:-3600}"
