#!/usr/bin/env bash
# Installs what is missing, builds everything with warnings as errors and runs every test; then the
# same tests built with AddressSanitizer + UndefinedBehaviorSanitizer and with ThreadSanitizer
# (TALVEX_SANITIZERS=0 skips those two builds for a quick local run). After the ci tests the ci build
# is packaged and the packages checked (scripts/check-packages.sh; TALVEX_PACKAGE=0 skips it), and every
# fuzz target runs briefly from its seeds (TALVEX_FUZZ=0 skips it).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/talvex-ccache}"
cmake --preset ci >/dev/null
cmake --build --preset ci
# No display is needed: widget tests run on Qt's offscreen platform.
export QT_QPA_PLATFORM=offscreen
ctest --preset ci "$@"
if [ "${TALVEX_PACKAGE:-1}" != 0 ]; then
  bash scripts/check-packages.sh
fi

# A parser that crashes or breaks its properties on its seeds or close to them fails here; the long
# runs are a manual step (docs/fuzzing.md).
if [ "${TALVEX_FUZZ:-1}" != 0 ]; then
  # 5 s per input, not 1: a loaded CI machine must not pass for a hang; a loop without end still fails.
  TALVEX_FUZZ_TIMEOUT="${TALVEX_FUZZ_TIMEOUT:-5}" bash scripts/fuzz.sh smoke "${TALVEX_FUZZ_SECONDS:-18}"
fi

if [ "${TALVEX_SANITIZERS:-1}" != 0 ]; then
  for preset in asan tsan; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    ctest --preset "$preset" "$@"
  done
fi
