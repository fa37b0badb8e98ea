#!/usr/bin/env bash
# Runs every talvex-cli and talvex-sim command of README.md and docs/*.md as written, in order, in a
# scratch folder, against a simulator on a pseudo-terminal; every one must exit 0.
#
# Which lines run: lines of code blocks (indented by four spaces, or fenced) whose text starts with
# `talvex-cli `, `talvex-sim `, `mkdir ` or `export PATH=`; a trailing `# comment` is dropped.
# The rewrites: `/dev/ttyUSB<n>` becomes the simulator's pty, and COM1 reaches it through
# TALVEX_COM1 (the documented COMn rule); a link under /tmp/ moves into the scratch folder, so two
# runs on one machine never share one. `export PATH=` lines are replaced by the build's bin folder
# on PATH. A talvex-sim command must start, print its pty (within 30 s: a loaded machine is slow to
# start a program) and end cleanly on SIGTERM.
#
# usage: run_doc_commands.sh BIN_DIR SOURCE_DIR
set -uo pipefail
bin=$(cd "$1" && pwd)
src=$(cd "$2" && pwd)
work=$(mktemp -d)
simpid=
cleanup() {
  [ -n "$simpid" ] && kill -TERM "$simpid" 2>/dev/null && wait "$simpid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
export PATH="$bin:$PATH"

"$bin/talvex-sim" --sensors 1-3 --fast --link "$work/bus" >"$work/sim.out" 2>"$work/sim.err" &
simpid=$!
for _ in $(seq 300); do [ -s "$work/sim.out" ] && break; sleep 0.1; done
pty=$(head -n 1 "$work/sim.out")
if [ -z "$pty" ]; then
  echo "the simulator did not start: $(cat "$work/sim.err")" >&2
  exit 1
fi
export TALVEX_COM1="$pty"

# Prints the runnable lines of one Markdown file.
commands() {
  awk '
    /^[[:space:]]*```/ { fenced = !fenced; next }
    {
      line = $0
      if (!fenced && line !~ /^    /) next
      sub(/^[[:space:]]+/, "", line)
      if (line ~ /^(talvex-cli |talvex-sim |mkdir |export PATH=)/) {
        sub(/[[:space:]]+#.*$/, "", line)
        print line
      }
    }' "$1"
}

mkdir -p "$work/run"
failed=0
ran=0
for doc in "$src/README.md" "$src"/docs/*.md; do
  while IFS= read -r line; do
    [[ $line == export\ PATH=* ]] && continue
    cmd=$(sed -E "s#/dev/ttyUSB[0-9]+#$pty#g; s#/tmp/talvex-#$work/talvex-#g" <<<"$line")
    ran=$((ran + 1))
    if [[ $cmd == talvex-sim\ * ]]; then
      (cd "$work/run" && exec bash -c "exec $cmd" >"$work/out" 2>"$work/err") &
      pid=$!
      for _ in $(seq 300); do [ -s "$work/out" ] && break; sleep 0.1; done
      kill -TERM "$pid" 2>/dev/null
      wait "$pid"
      rc=$?
      [ -s "$work/out" ] || rc=99
    else
      (cd "$work/run" && timeout 120 bash -c "$cmd") >"$work/out" 2>"$work/err"
      rc=$?
    fi
    if [ "$rc" -eq 0 ]; then
      echo "ok    ${doc#"$src"/}: $line"
    else
      failed=$((failed + 1))
      echo "FAIL  ${doc#"$src"/}: $line (exit $rc)"
      sed 's/^/      /' "$work/err" | head -n 20
    fi
  done < <(commands "$doc")
done
if [ "$ran" -eq 0 ]; then
  echo "no command found in the documentation" >&2
  exit 1
fi
exit $((failed > 0))
