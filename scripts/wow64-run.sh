#!/bin/sh
# Runs a program of the WoW64 tree (scripts/wow64-tree.sh) inside it, for the 32-bit build's tests:
#   wow64-run.sh PROGRAM [ARGUMENTS...]          e.g. wow64-run.sh /usr/lib/wine/wine64 test.exe
# Called in the namespace that scripts/wow64-enter.sh prepares (the test suite runs in one), it only
# changes root; called from anywhere else, it prepares such a namespace for this one program. The
# program starts in the caller's folder when the tree has it (the project's), else in its root.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
TREE=${TAVOLINE_WOW64_TREE:-$ROOT/build/wow64/root}
if ! mountpoint -q "$TREE$ROOT" 2>/dev/null; then
  exec sh "$ROOT/scripts/wow64-enter.sh" sh "$0" "$@"
fi
exec chroot "$TREE" /bin/sh -c 'cd "$0" 2>/dev/null || cd /; exec "$@"' "$PWD" "$@"
