#!/usr/bin/env bash
# Fails when a program's own object files define one function or variable both out of line (a strong
# symbol) and inline (a weak one): that can only be two different definitions of one class or
# function in one program, and the linker silently keeps the strong one for every caller.
# Two strong definitions are the linker's own error already. Exit 1 for a clash, 2 for a bad call.
#
# usage: check-one-definition.sh LINK_MAP BUILD_DIR
#   LINK_MAP  the program's link map (-Wl,-Map=...): its input objects and archives
#   BUILD_DIR where the link ran; only inputs below it are ours and checked (system libraries are not)
set -euo pipefail
map=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
build=$(cd "$2" && pwd)
cd "$build"
mapfile -t inputs < <(awk -v b="${build%/}/" '$1 == "LOAD" && ($2 !~ /^\// || index($2, b) == 1) { print $2 }' "$map" | sort -u)
if [ "${#inputs[@]}" -eq 0 ]; then
  echo "check-one-definition: no input of $map lies below $build" >&2
  exit 2
fi
clashes=$(nm -A --defined-only "${inputs[@]}" 2>/dev/null | awk '
  NF < 2 { next }
  { name = $NF; type = $(NF - 1); where = $1; sub(/:[0-9a-fA-F]*$/, "", where) }
  type ~ /^[TDBR]$/ { strong[name] = where }
  type ~ /^[WV]$/ { weak[name] = where }
  END { for (s in strong) if (s in weak) print s "\t" strong[s] "\t" weak[s] }')
if [ -n "$clashes" ]; then
  echo "two definitions of one name in one program (out of line in the first file, inline in the second):" >&2
  while IFS=$'\t' read -r symbol strongIn weakIn; do
    echo "  $(c++filt "$symbol"): ${strongIn#"$build"/} and ${weakIn#"$build"/}" >&2
  done <<<"$clashes"
  exit 1
fi
