#!/usr/bin/env bash
# The one-definition check against two objects that define one class differently (inline in one,
# out of line in the other): refused naming the class's member; either object alone passes.
#
# usage: check_one_definition_test.sh CHECK_SCRIPT INLINE_OBJECT OUTLINE_OBJECT (or the two as one
# ;-separated list)
set -uo pipefail
check=$1
IFS=';' read -r -a given <<<"$(
  IFS=';'
  echo "${*:2}"
)"
objects=()
for name in inline_greeter outline_greeter; do
  for o in "${given[@]}"; do [[ $o == */$name.* ]] && objects+=("$o"); done
done
if [ "${#objects[@]}" -ne 2 ]; then
  echo "expected the objects of inline_greeter.cpp and outline_greeter.cpp, got: ${given[*]}" >&2
  exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf 'LOAD %s\nLOAD %s\n' "${objects[0]}" "${objects[1]}" >"$work/both.map"
printf 'LOAD %s\n' "${objects[0]}" >"$work/inline.map"
printf 'LOAD %s\n' "${objects[1]}" >"$work/outline.map"
status=0
bash "$check" "$work/both.map" / 2>"$work/err"
rc=$?
if [ "$rc" -ne 1 ] || ! grep -q "one_definition_fixture::Greeter::greet() const" "$work/err"; then
  echo "two definitions of Greeter were not refused (exit $rc):" >&2
  cat "$work/err" >&2
  status=1
fi
for alone in inline outline; do
  if ! bash "$check" "$work/$alone.map" / 2>"$work/err"; then
    echo "the $alone object alone was refused:" >&2
    cat "$work/err" >&2
    status=1
  fi
done
exit $status
