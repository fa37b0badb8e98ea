#!/usr/bin/env bash
# Packages the ci build (scripts/package.sh) and checks the packages without installing them on this
# machine: lintian finds no error, the desktop entry and the AppStream data validate (no network),
# each package holds what it must, and the programs run from a scratch root with their library found
# through the packages' own layout; their manual pages render. The scratch root is removed at the end.
set -euo pipefail
# Checks read whole outputs (grep without -q): grep -q leaves at its first match, the writer then dies
# of SIGPIPE, and pipefail would count that as the check failing.
cd "$(dirname "$0")/.."
pkgs=$PWD/build/packages
fail() { echo "check-packages: $*" >&2; exit 1; }

bash scripts/package.sh >/dev/null
version=$(sed -n 's/^project(Talvex VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
arch=$(dpkg --print-architecture)
deb() { echo "$pkgs/$1_${version}_${arch}.deb"; }
names=(talvex talvex-tools libtalvex-rtu1 libtalvex-rtu-dev)
for n in "${names[@]}"; do [ -f "$(deb "$n")" ] || fail "no package $(basename "$(deb "$n")")"; done

# Errors fail; warnings are shown for whoever reads the log.
debs=()
for n in "${names[@]}"; do debs+=("$(deb "$n")"); done
if ! report=$(lintian --fail-on error "${debs[@]}" 2>&1); then
  echo "$report" >&2
  fail "lintian reports errors"
fi
[ -z "$report" ] || echo "$report" | sed 's/^/lintian: /' >&2

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# What each package must hold.
expect() {
  local package=$1; shift
  local listing
  listing=$(dpkg-deb -c "$(deb "$package")" | awk '{print $6}' | sed 's,^\./,/,')
  for path in "$@"; do
    grep -qx -- "$path" <<<"$listing" || fail "$package lacks $path"
  done
}
expect talvex /usr/bin/talvex /usr/share/applications/talvex.desktop /usr/share/metainfo/org.talvex.Talvex.metainfo.xml \
  /usr/share/icons/hicolor/scalable/apps/talvex.svg /usr/share/icons/hicolor/48x48/apps/talvex.png \
  /usr/share/icons/hicolor/256x256/apps/talvex.png /usr/share/man/man1/talvex.1.gz /usr/share/doc/talvex/copyright
expect talvex-tools /usr/bin/talvex-cli /usr/bin/talvex-sim /usr/share/man/man1/talvex-cli.1.gz \
  /usr/share/man/man1/talvex-sim.1.gz /usr/share/bash-completion/completions/talvex-cli \
  /usr/share/doc/talvex-tools/copyright
expect libtalvex-rtu1 /usr/lib/libtalvex_rtu.so.1 /usr/lib/libtalvex_rtu.so.1.0.0 /usr/share/doc/libtalvex-rtu1/copyright
expect libtalvex-rtu-dev /usr/lib/libtalvex_rtu.so /usr/include/talvex/rtu.h /usr/lib/pkgconfig/talvex-rtu.pc \
  /usr/share/doc/libtalvex-rtu-dev/copyright
# The programs find the library as the system would: through its package's dependency.
for n in talvex talvex-tools libtalvex-rtu-dev; do
  dpkg-deb -f "$(deb "$n")" Depends | grep "libtalvex-rtu1 (= $version)" >/dev/null || fail "$n does not depend on libtalvex-rtu1"
done
[ "$(dpkg-deb -f "$(deb libtalvex-rtu1)" Section)" = libs ] || fail "libtalvex-rtu1 is not in section libs"

for n in "${names[@]}"; do dpkg -x "$(deb "$n")" "$scratch"; done
desktop-file-validate "$scratch/usr/share/applications/talvex.desktop" || fail "desktop entry does not validate"
appstreamcli validate --no-net --explain "$scratch/usr/share/metainfo/org.talvex.Talvex.metainfo.xml" >&2 ||
  fail "AppStream metainfo does not validate"
objdump -p "$scratch/usr/lib/libtalvex_rtu.so.1" | grep 'SONAME *libtalvex_rtu.so.1$' >/dev/null || fail "library SONAME"

export LD_LIBRARY_PATH=$scratch/usr/lib
[ "$("$scratch/usr/bin/talvex-cli" --version)" = "talvex-cli $version" ] || fail "installed talvex-cli --version"
[ "$("$scratch/usr/bin/talvex-sim" --version)" = "talvex-sim $version" ] || fail "installed talvex-sim --version"
"$scratch/usr/bin/talvex-sim" --help | grep '^usage: talvex-sim' >/dev/null || fail "installed talvex-sim --help"
ldd "$scratch/usr/bin/talvex-cli" | grep "libtalvex_rtu.so.1 => $scratch/usr/lib/" >/dev/null || fail "talvex-cli's library"
[ "$(QT_QPA_PLATFORM=offscreen "$scratch/usr/bin/talvex" --version)" = "talvex $version" ] || fail "installed talvex --version"
# A program built against the -dev package, through its pkg-config file.
cat >"$scratch/use_rtu.c" <<'C'
#include <talvex/rtu.h>
int main(void) { RTUCloseCom(); return RTU_OK; }
C
PKG_CONFIG_SYSROOT_DIR=$scratch PKG_CONFIG_LIBDIR=$scratch/usr/lib/pkgconfig \
  cc -o "$scratch/use_rtu" "$scratch/use_rtu.c" $(PKG_CONFIG_SYSROOT_DIR=$scratch PKG_CONFIG_LIBDIR=$scratch/usr/lib/pkgconfig pkg-config --cflags --libs talvex-rtu) ||
  fail "a program does not build against libtalvex-rtu-dev"
"$scratch/use_rtu" || fail "a program built against libtalvex-rtu-dev does not run"
for page in talvex talvex-cli talvex-sim; do
  out=$(MANWIDTH=80 man -l "$scratch/usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null) || fail "man -l $page: $out"
  [ -z "$out" ] || fail "man -l $page: $out"
  man -l "$scratch/usr/share/man/man1/$page.1.gz" 2>/dev/null | grep "^NAME" >/dev/null || fail "man page $page is empty"
done
bash -n "$scratch/usr/share/bash-completion/completions/talvex-cli" || fail "bash completion"

for n in "${names[@]}"; do
  ! dpkg-query -W -f='${Status}' "$n" 2>/dev/null | grep 'install ok installed' >/dev/null || fail "$n is installed on this machine"
done
echo "check-packages: $(cd "$pkgs" && ls *.deb | tr '\n' ' ')passed" >&2
