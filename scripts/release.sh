#!/bin/sh
# Builds the shipped 32-bit Tavoline and packs it for Windows users:
#   dist/Tavoline-<version>-win32.zip = Tavoline.exe, ZipArchive.dll and the user guide.
# Run as root on Debian 12 (it installs what is missing first).
#
# The update address comes from TAVOLINE_UPDATE_URL in the environment (or from an earlier build's
# cache). It must be https://: an update check in clear text can be answered by anyone on the way.
# --allow-http-update-url lets an http:// address through, for a test release.
set -eu
ALLOW_HTTP=no
for argument in "$@"; do
  case $argument in
    --allow-http-update-url) ALLOW_HTTP=yes ;;
    *) echo "usage: release.sh [--allow-http-update-url]" >&2; exit 2 ;;
  esac
done
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"

sh scripts/setup.sh
sh scripts/fetch-bzip2.sh

VERSION=$(sed -n 's/^project(Tavoline VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
BUILD=build/win32
mkdir -p build
if [ ! -f "$BUILD/CMakeCache.txt" ]; then
  cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
    -DBUILD_TESTING=OFF >"$BUILD.configure.log" 2>&1 || { cat "$BUILD.configure.log" >&2; exit 1; }
fi
if [ -n "${TAVOLINE_UPDATE_URL:-}" ]; then
  cmake "$BUILD" -DTAVOLINE_UPDATE_URL="$TAVOLINE_UPDATE_URL" >>"$BUILD.configure.log" 2>&1 || { cat "$BUILD.configure.log" >&2; exit 1; }
fi
UPDATE_URL=$(sed -n 's/^TAVOLINE_UPDATE_URL:[A-Z]*=//p' "$BUILD/CMakeCache.txt")
case $UPDATE_URL in
  https://*) ;;
  *) if [ "$ALLOW_HTTP" != yes ]; then
       echo "release.sh: the update address '$UPDATE_URL' is not https://; set TAVOLINE_UPDATE_URL=https://..." >&2
       echo "            (or pass --allow-http-update-url for a test release)" >&2
       exit 1
     fi ;;
esac
echo "== building the 32-bit release ($BUILD), update address $UPDATE_URL"
cmake --build "$BUILD" -j "$(nproc)"

EXE=$(find "$BUILD" -name Tavoline.exe -type f | head -n1)
DLL=$(find "$BUILD" -name ZipArchive.dll -type f | head -n1)
[ -n "$EXE" ] || { echo "release.sh: the build made no Tavoline.exe" >&2; exit 1; }

# What Windows users get must be a 32-bit GUI program with ASLR and DEP that loads nothing but ours
# and the system's, the system's DLLs only from the system folder (check-pe.sh, once stripped).
file "$EXE" | grep -q 'PE32 executable (GUI) Intel 80386' || { file "$EXE" >&2; echo "release.sh: not a 32-bit GUI program" >&2; exit 1; }

NAME="Tavoline-$VERSION-win32"
STAGE="build/release/$NAME"
rm -rf "build/release" && mkdir -p "$STAGE" dist
cp "$EXE" "$STAGE/Tavoline.exe"
if [ -n "$DLL" ]; then cp "$DLL" "$STAGE/ZipArchive.dll"; else echo "release.sh: warning: no ZipArchive.dll was built" >&2; fi
sed 's/\r*$/\r/' docs/USER-GUIDE.txt >"$STAGE/USER-GUIDE.txt"   # Notepad-friendly line ends
i686-w64-mingw32-strip "$STAGE"/*.exe "$STAGE"/*.dll 2>/dev/null || true
sh scripts/check-pe.sh i686-w64-mingw32-objdump "$STAGE"/*.exe "$STAGE"/*.dll \
  || { echo "release.sh: the binaries are not fit to ship" >&2; exit 1; }

rm -f "dist/$NAME.zip"
(cd build/release && zip -q -X -r "$ROOT/dist/$NAME.zip" "$NAME")
echo "== dist/$NAME.zip"
unzip -l "dist/$NAME.zip"
