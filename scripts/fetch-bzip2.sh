#!/bin/sh
# Unpacks Debian's bzip2 source package (with Debian's patches applied) into .cache/bzip2/src.
# The build compiles libbz2 from it for every target; a second run finds it and does nothing.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
CACHE="$ROOT/.cache/bzip2"
[ -f "$CACHE/src/bzlib.h" ] && exit 0

rm -rf "$CACHE" && mkdir -p "$CACHE/download"
cd "$CACHE/download"
apt-get source --download-only bzip2 >/dev/null 2>&1 || {
  echo "fetch-bzip2: 'apt-get source bzip2' failed; run scripts/setup.sh as root first" >&2; exit 1; }
dsc=$(ls bzip2_*.dsc | head -n1)
dpkg-source --no-check -x "$dsc" "$CACHE/unpacked" >/dev/null
mv "$CACHE/unpacked" "$CACHE/src"
rm -rf "$CACHE/download"
