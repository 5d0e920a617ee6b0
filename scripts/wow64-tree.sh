#!/bin/sh
# Makes the tree in which the shipped 32-bit build runs under Wine on a kernel that runs no 32-bit
# Linux code: a Debian 13 system (debootstrap) whose 64-bit Wine 10 starts i686 Windows programs in
# its WoW64 mode. The tree holds no 32-bit Linux file: only the 32-bit Windows DLLs of Wine are
# taken from the i386 package of the very same version. Nothing on the machine itself changes.
#   sh scripts/wow64-tree.sh [TREE]      (default build/wow64/root; made once, reused afterwards)
# Takes about 3 minutes and 1.8 GB the first time. Run as root.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
TREE=${1:-$ROOT/build/wow64/root}
READY=$TREE/.tavoline-ready
[ -f "$READY" ] && exit 0

# The machine's own Debian mirror serves trixie too.
MIRROR=$(sed -n 's/^URIs:[[:space:]]*//p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -n1)
[ -n "$MIRROR" ] || MIRROR=$(sed -n 's/^deb[[:space:]]\+\(http[^[:space:]]*\).*/\1/p' /etc/apt/sources.list 2>/dev/null | head -n1)
MIRROR=${MIRROR:-http://deb.debian.org/debian}
LOG=$TREE.log
mkdir -p "$(dirname "$TREE")"
: >"$LOG"
echo "== making the WoW64 tree $TREE (Debian 13, Wine 10; about 2 GB)"

rm -rf "$TREE"
debootstrap --arch=amd64 --variant=minbase trixie "$TREE" "$MIRROR" >>"$LOG" 2>&1 \
  || { tail -n 30 "$LOG" >&2; echo "wow64-tree: debootstrap failed (see $LOG)" >&2; exit 1; }

# Inside the tree, with /proc and /dev of a private mount namespace.
in_tree() {
  unshare --mount --propagation private sh -c '
    tree=$1; shift
    mount -t proc proc "$tree/proc" && mount --rbind /dev "$tree/dev" && exec chroot "$tree" "$@"' \
    in-tree "$TREE" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root DEBIAN_FRONTEND=noninteractive "$@"
}
cp /etc/resolv.conf "$TREE/etc/resolv.conf" 2>/dev/null || true
in_tree apt-get update -qq >>"$LOG" 2>&1
in_tree apt-get install -y -qq --no-install-recommends wine wine64 wine64-preloader libgnutls30t64 >>"$LOG" 2>&1 \
  || { tail -n 30 "$LOG" >&2; echo "wow64-tree: installing Wine failed (see $LOG)" >&2; exit 1; }

in_tree apt-get clean >>"$LOG" 2>&1

# The amd64 libwine leaves i386-windows/ empty: fill it with the PE files of libwine:i386 of the
# same version, fetched through lists of their own so that the tree's dpkg never hears of i386.
VERSION=$(in_tree dpkg-query -W -f='${Version}' libwine)
I386=/var/tmp/tavoline-i386
APT_I386="-o APT::Architectures=amd64,i386 -o Dir::State::Lists=$I386/lists -o Dir::Cache=$I386/cache"
mkdir -p "$TREE$I386/lists/partial" "$TREE$I386/cache/archives/partial" "$TREE$I386/deb"
in_tree sh -c "apt-get $APT_I386 update -qq && cd $I386/deb && apt-get $APT_I386 download libwine:i386=$VERSION" >>"$LOG" 2>&1 \
  || { tail -n 30 "$LOG" >&2; echo "wow64-tree: libwine:i386 $VERSION could not be fetched (see $LOG)" >&2; exit 1; }
in_tree sh -c "dpkg -x $I386/deb/libwine_*_i386.deb $I386/x" >>"$LOG" 2>&1
PE_DIR=usr/lib/x86_64-linux-gnu/wine/i386-windows
FROM=$TREE$I386/x/usr/lib/i386-linux-gnu/wine/i386-windows
copied=0
for file in "$FROM"/*; do
  [ "$(head -c 2 "$file")" = MZ ] || continue
  cp "$file" "$TREE/$PE_DIR/"
  copied=$((copied + 1))
done
rm -rf "$TREE$I386"
[ "$copied" -gt 500 ] || { echo "wow64-tree: only $copied 32-bit Windows DLLs found in libwine:i386" >&2; exit 1; }
echo "   Wine $VERSION, $copied 32-bit Windows DLLs" | tee -a "$LOG"
touch "$READY"
