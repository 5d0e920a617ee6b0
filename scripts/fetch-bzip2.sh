#!/bin/sh
# Unpacks the sources our bzip2 codec is built from, Debian's source packages with Debian's patches
# applied: bzip2 (libbz2) into .cache/bzip2/src and libdivsufsort (the block sort for large blocks)
# into .cache/divsufsort/src. The build compiles both for every target; a second run finds them and
# does nothing.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)

fetch() { # source package, cache folder, a file that shows it is unpacked
  package=$1 cache="$ROOT/.cache/$2"
  [ -f "$cache/src/$3" ] && return 0
  rm -rf "$cache" && mkdir -p "$cache/download"
  (cd "$cache/download" && apt-get source --download-only "$package" >/dev/null 2>&1) || {
    echo "fetch-bzip2: 'apt-get source $package' failed; run scripts/setup.sh as root first" >&2; exit 1; }
  dsc=$(ls "$cache/download/${package}"_*.dsc | head -n1)
  dpkg-source --no-check -x "$dsc" "$cache/unpacked" >/dev/null
  mv "$cache/unpacked" "$cache/src"
  rm -rf "$cache/download"
}

fetch bzip2 bzip2 bzlib.h
fetch libdivsufsort divsufsort lib/divsufsort.c
