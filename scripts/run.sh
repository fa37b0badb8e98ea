#!/usr/bin/env bash
# Installs what is missing, builds, and starts the workbench on the built-in simulated sensor bus.
# Without a display it runs the headless demo: the simulator polled by talvex-cli.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/talvex-ccache}"
cmake --preset release >/dev/null
# Only what the demo runs: tests and benchmarks are the test command's business.
cmake --build --preset release --target talvex talvex-cli talvex-sim
bin=build/release/bin
if [ -x "$bin/talvex" ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
  exec "$bin/talvex" --demo "$@"
fi
echo "No display found: running the headless demo (simulated sensors 1-3 polled by talvex-cli; Ctrl+C ends it)." >&2
exec bash scripts/headless-demo.sh "$bin"
