#!/usr/bin/env bash
# Makes the Debian packages from the ci build (built first when it is missing or out of date; an
# up-to-date build is only packaged): talvex (the window), talvex-tools (talvex-cli, talvex-sim),
# libtalvex-rtu1 and libtalvex-rtu-dev, into build/packages/. Install with: apt install ./build/packages/talvex_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$root/build/ci
out=$root/build/packages
export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/talvex-ccache}"

for tool in scdoc rsvg-convert dpkg-shlibdeps; do
  command -v "$tool" >/dev/null || { echo "package.sh: $tool is missing (bash scripts/install-deps.sh)" >&2; exit 1; }
done
[ -f "$build/CMakeCache.txt" ] || cmake --preset ci >/dev/null
# Only what the packages hold; after scripts/test.sh this finds nothing to do.
cmake --build "$build" --target talvex talvex-cli talvex-sim talvex_rtu talvex_package_data

rm -rf "$out"
mkdir -p "$out"
if ! log=$(cd "$build" && cpack -G DEB -B "$out" 2>&1); then
  echo "$log" >&2
  exit 1
fi
rm -rf "$out/_CPack_Packages"
ls "$out"/*.deb
