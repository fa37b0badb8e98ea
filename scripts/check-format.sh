#!/usr/bin/env bash
# Lists the C and C++ sources that clang-format (.clang-format at the root) would change; exits 1 when
# there is any. Fix with: clang-format -i FILE...
set -euo pipefail
cd "$(dirname "$0")/.."
status=0
while IFS= read -r -d '' f; do
  if ! clang-format --style=file "$f" | cmp -s - "$f"; then
    echo "not formatted: $f"
    status=1
  fi
done < <(git ls-files -z '*.cpp' '*.hpp' '*.h' '*.c' 2>/dev/null || find . -path ./build -prune -o \( -name '*.cpp' -o -name '*.hpp' -o -name '*.h' -o -name '*.c' \) -print0)
exit $status
