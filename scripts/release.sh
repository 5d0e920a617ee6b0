#!/bin/sh
# Builds the release of Tavoline for Windows users, 32-bit and 64-bit, into dist/:
#   Tavoline-<version>-setup-win32.exe, Tavoline-<version>-setup-win64.exe   the installers
#   Tavoline-<version>-win32.zip, Tavoline-<version>-win64.zip               the portable packages
#   SHA256SUMS
# Every package holds Tavoline.exe, ZipArchive.dll, LICENSE.txt, THIRD-PARTY-NOTICES.txt and the
# user guide. The update address built in is TAVOLINE_UPDATE_URL from the environment, else the
# one build/release-win32 was configured with; the placeholder is refused unless --no-update-server is given.
# It refuses to package when a library the build links in is missing from THIRD-PARTY-NOTICES.txt.
# Run as root on Debian 12 (it installs what is missing first).
# The address must be https:// (an update check in clear text can be answered by anyone on the
# way); --allow-http-update-url lets an http:// address through, for a test release.
#   sh scripts/release.sh [--no-update-server] [--allow-http-update-url]
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"

NO_UPDATE_SERVER=0
ALLOW_HTTP=no
for arg in "$@"; do
  case $arg in
    --no-update-server) NO_UPDATE_SERVER=1 ;;
    --allow-http-update-url) ALLOW_HTTP=yes ;;
    *) echo "usage: sh scripts/release.sh [--no-update-server] [--allow-http-update-url]" >&2; exit 2 ;;
  esac
done

PLACEHOLDER=http://updates.tavoline.invalid/software/updates/tavo.txt
cached_url() { sed -n 's/^TAVOLINE_UPDATE_URL:STRING=//p' "$1/CMakeCache.txt" 2>/dev/null || true; }
URL=${TAVOLINE_UPDATE_URL:-$(cached_url build/release-win32)}
URL=${URL:-$PLACEHOLDER}
if [ "$URL" = "$PLACEHOLDER" ]; then
  if [ $NO_UPDATE_SERVER -eq 0 ]; then
    echo "release.sh: the update address is the placeholder $PLACEHOLDER, so users would never hear of" >&2
    echo "  an update. Set TAVOLINE_UPDATE_URL=https://... or, for a release without one, pass --no-update-server." >&2
    exit 1
  fi
  echo "release.sh: --no-update-server: this release asks no update server (it keeps the placeholder address)"
else
  case $URL in
    https://*) ;;
    *) if [ "$ALLOW_HTTP" != yes ]; then
         echo "release.sh: the update address '$URL' is not https://; set TAVOLINE_UPDATE_URL=https://..." >&2
         echo "            (or pass --allow-http-update-url for a test release)" >&2
         exit 1
       fi ;;
  esac
fi

sh scripts/setup.sh
sh scripts/fetch-sources.sh

VERSION=$(sed -n 's/^project(Tavoline VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
mkdir -p build dist

# build ARCH TREE TOOLCHAIN PE MACHINE: the program and its installer, checked as Windows will see them.
build() {
  arch=$1 tree=$2 toolchain=$3 pe=$4 machine=$5 objdump=$6
  if [ ! -f "$tree/CMakeCache.txt" ]; then
    cmake -S . -B "$tree" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_TOOLCHAIN_FILE="cmake/$toolchain" \
      -DBUILD_TESTING=OFF -DTAVOLINE_UPDATE_URL="$URL" >"$tree.configure.log" 2>&1 || { cat "$tree.configure.log" >&2; exit 1; }
  else
    cmake "$tree" -DTAVOLINE_UPDATE_URL="$URL" >"$tree.configure.log" 2>&1 || { cat "$tree.configure.log" >&2; exit 1; }
  fi
  echo "== building the $arch release ($tree)"
  cmake --build "$tree" -j "$(nproc)" --target Tavoline ZipArchive installer

  files=$tree/installer/files
  setup=$tree/installer/Tavoline-$VERSION-setup-$arch.exe
  [ -f "$setup" ] || { echo "release.sh: the build made no installer" >&2; exit 1; }
  for checked in "$files/Tavoline.exe:$pe executable (GUI) $machine" "$files/ZipArchive.dll:$pe executable (DLL) .*$machine" \
                 "$setup:$pe executable (GUI) $machine"; do
    file -b "${checked%%:*}" | grep -q "^${checked#*:}" || { file "${checked%%:*}" >&2; echo "release.sh: not the $arch Windows program expected" >&2; exit 1; }
  done
  # ASLR and DEP on, only system DLLs (from the system folder) besides ours, every import slot
  # usable (scripts/check-pe.sh); and a notice for every library linked in.
  sh scripts/check-pe.sh "$objdump" "$files/Tavoline.exe" "$files/ZipArchive.dll" \
    || { echo "release.sh: the $arch binaries are not fit to ship" >&2; exit 1; }
  sh scripts/check-notices.sh "$tree" "$files/THIRD-PARTY-NOTICES.txt" \
    || { echo "release.sh: the $arch package would lack a licence notice" >&2; exit 1; }
  # The address is in the program as a wide string: read it back from what ships.
  strings -e l "$files/Tavoline.exe" | grep -qxF "$URL" \
    || { echo "release.sh: the $arch program does not carry the update address $URL" >&2; exit 1; }
  echo "== $arch: update address built in: $URL"

  name=Tavoline-$VERSION-$arch
  rm -rf "build/release/$name" "dist/$name.zip" && mkdir -p "build/release/$name"
  cp "$files"/* "build/release/$name/"
  (cd build/release && zip -q -X -r "$ROOT/dist/$name.zip" "$name")
  cp "$setup" dist/
}

build win32 build/release-win32 mingw-i686.cmake PE32 'Intel 80386' i686-w64-mingw32-objdump
build win64 build/release-win64 mingw-x86_64.cmake PE32+ x86-64 x86_64-w64-mingw32-objdump

cd dist
rm -f SHA256SUMS
sha256sum "Tavoline-$VERSION-setup-win32.exe" "Tavoline-$VERSION-setup-win64.exe" \
  "Tavoline-$VERSION-win32.zip" "Tavoline-$VERSION-win64.zip" >SHA256SUMS
echo "== dist/ (update address built in: $URL)"
file ./*.exe
unzip -l "Tavoline-$VERSION-win64.zip"
cat SHA256SUMS
