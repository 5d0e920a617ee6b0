#!/bin/sh
# Unpacks Debian's source packages of the compression libraries the build compiles for every target
# (with Debian's patches applied) into .cache/NAME/src: bzip2, xz-utils (liblzma), libzstd, and
# libdivsufsort (the suffix sort behind our block sort for large bzip2 blocks), and mbedtls (AES,
# SHA-1, HMAC and PBKDF2 for encrypted entries).
#   sh scripts/fetch-sources.sh [NAME...]      (all five without arguments)
# A package already unpacked is left alone. The newest version that `apt-cache showsrc` lists is not
# always one the mirror serves (security updates live in another pool), so the versions are tried
# newest first until one downloads.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)

# The file that shows a package's sources are complete.
marker() {
  case $1 in
    bzip2) echo bzlib.h ;;
    xz-utils) echo src/liblzma/api/lzma.h ;;
    libzstd) echo lib/zstd.h ;;
    libdivsufsort) echo lib/divsufsort.c ;;
    mbedtls) echo include/mbedtls/aes.h ;;
    *) echo "fetch-sources: unknown package $1" >&2; exit 2 ;;
  esac
}

# Source versions of a package, newest first.
versions() {
  apt-cache showsrc "$1" 2>/dev/null | sed -n 's/^Version: //p' | sort -u | sort -r -V
}

fetch() {
  name=$1
  cache="$ROOT/.cache/$name"
  [ -f "$cache/src/$(marker "$name")" ] && return 0
  rm -rf "$cache" && mkdir -p "$cache/download"
  found=""
  for version in $(versions "$name"); do
    if (cd "$cache/download" && apt-get source --download-only "$name=$version" >/dev/null 2>&1); then
      found=$version
      break
    fi
    rm -f "$cache/download/"*
  done
  if [ -z "$found" ]; then
    echo "fetch-sources: no source version of $name could be downloaded; run scripts/setup.sh as root first" >&2
    exit 1
  fi
  dsc=$(ls "$cache/download/"*.dsc | head -n1)
  dpkg-source --no-check -x "$dsc" "$cache/unpacked" >/dev/null
  mv "$cache/unpacked" "$cache/src"
  rm -rf "$cache/download"
  echo "fetch-sources: $name $found"
}

[ $# -gt 0 ] || set -- bzip2 xz-utils libzstd libdivsufsort mbedtls
for name in "$@"; do fetch "$name"; done
