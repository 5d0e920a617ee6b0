#!/bin/sh
# Runs a command of this machine in a mount namespace of its own in which the WoW64 tree
# (scripts/wow64-tree.sh) is ready for scripts/wow64-run.sh:
#   wow64-enter.sh COMMAND [ARGUMENTS...]
# The project's folder is bound into the tree at the same path, so Z:\ paths mean the same inside and
# out, and kept in step with what is mounted below it later (the tests' small disks and NTFS volume,
# which a wineserver started earlier must see too); the tree also gets /proc, /dev and /sys. Every
# mount lives in the namespace and vanishes with it: nothing on the machine itself changes.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
TREE=${TAVOLINE_WOW64_TREE:-$ROOT/build/wow64/root}
if [ ! -f "$TREE/.tavoline-ready" ]; then
  echo "wow64-enter: no WoW64 tree at $TREE (sh scripts/wow64-tree.sh makes it)" >&2
  exit 125
fi
if [ "${1:-}" != --in-namespace ]; then
  exec unshare --mount --propagation private sh "$0" --in-namespace "$@"
fi
shift
# The project's folder a mount of its own, shared: a bind of it is its peer, and what is mounted
# below one appears below the other. The tree, which lies inside it, a private mount of its own, so
# that binding the project into the tree does not echo back into the project.
mount --bind "$ROOT" "$ROOT"
mount --make-shared "$ROOT"
mount --bind "$TREE" "$TREE"
mount --make-private "$TREE"
mkdir -p "$TREE$ROOT"
mount --bind "$ROOT" "$TREE$ROOT"
mount -t proc proc "$TREE/proc"
mount --rbind /dev "$TREE/dev"
mount --rbind /sys "$TREE/sys"
exec "$@"
