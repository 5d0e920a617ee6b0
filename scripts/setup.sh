#!/bin/sh
# Installs everything Tavoline needs to build and test on Debian 12 (run as root).
# Safe to run again: it only installs what is missing.
set -eu

PACKAGES="cmake make g++ clang libclang-rt-14-dev pkg-config \
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64 \
  libz-mingw-w64-dev zlib1g-dev libbz2-dev bzip2 xz-utils zstd wine64 \
  dpkg-dev debootstrap zip unzip p7zip-full lbzip2 libarchive-tools python3 openssl file googletest clang-format nsis g++-multilib lib32z1-dev ntfs-3g"

missing=""
for p in $PACKAGES; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done

# Source lookups (for the sources of bzip2, xz-utils and libzstd) use the same mirrors as the binary packages.
SRC_LIST=/etc/apt/sources.list.d/tavoline-deb-src.sources
if [ ! -f "$SRC_LIST" ]; then
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed -e 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources > "$SRC_LIST"
  elif [ -f /etc/apt/sources.list ]; then
    grep -E '^deb ' /etc/apt/sources.list | sed -e 's/^deb /deb-src /' > /etc/apt/sources.list.d/tavoline-deb-src.list
    : > "$SRC_LIST"
  fi
  NEED_UPDATE=1
fi

if [ -n "$missing" ] || [ "${NEED_UPDATE:-0}" = 1 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
fi
if [ -n "$missing" ]; then
  apt-get install -y -qq --no-install-recommends $missing
fi
