#!/usr/bin/env bash
# Installs the Debian packages Talvex needs to build, test and run.
# Idempotent and non-interactive: only missing packages are fetched.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build ccache pkg-config git clang-format
  clang-14 libclang-rt-14-dev
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libqt6opengl6-dev qt6-charts-dev libgl-dev
  libsqlite3-dev sqlite3
  liborcus-dev libfreexl-dev libxlsxwriter-dev zlib1g-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  python3-openpyxl
  libmodbus-dev mbpoll socat
  xvfb xauth fonts-wqy-microhei libqt6svg6
  scdoc librsvg2-bin dpkg-dev lintian desktop-file-utils appstream man-db
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  echo "Installing: ${missing[*]}" >&2
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
fi
