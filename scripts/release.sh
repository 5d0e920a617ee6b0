#!/bin/sh
# Builds the shipped 32-bit Tavoline and packs it for Windows users:
#   dist/Tavoline-<version>-win32.zip = Tavoline.exe, ZipArchive.dll and the user guide.
# Run as root on Debian 12 (it installs what is missing first).
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"

sh scripts/setup.sh
sh scripts/fetch-sources.sh

VERSION=$(sed -n 's/^project(Tavoline VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
BUILD=build/win32
mkdir -p build
if [ ! -f "$BUILD/CMakeCache.txt" ]; then
  cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
    -DBUILD_TESTING=OFF >"$BUILD.configure.log" 2>&1 || { cat "$BUILD.configure.log" >&2; exit 1; }
fi
echo "== building the 32-bit release ($BUILD)"
cmake --build "$BUILD" -j "$(nproc)"

EXE=$(find "$BUILD" -name Tavoline.exe -type f | head -n1)
DLL=$(find "$BUILD" -name ZipArchive.dll -type f | head -n1)
[ -n "$EXE" ] || { echo "release.sh: the build made no Tavoline.exe" >&2; exit 1; }

# What Windows users get must be a 32-bit GUI program that loads nothing but ours and the system's.
file "$EXE" | grep -q 'PE32 executable (GUI) Intel 80386' || { file "$EXE" >&2; echo "release.sh: not a 32-bit GUI program" >&2; exit 1; }
SYSTEM_DLLS='^(KERNEL32|USER32|GDI32|COMCTL32|COMDLG32|SHELL32|OLE32|OLEAUT32|ADVAPI32|WININET|WS2_32|SHLWAPI|VERSION|msvcrt|ZipArchive)\.dll$'
for binary in "$EXE" $DLL; do
  bad=$(i686-w64-mingw32-objdump -p "$binary" | sed -n 's/^\s*DLL Name: //p' | grep -Eiv "$SYSTEM_DLLS" || true)
  [ -z "$bad" ] || { echo "release.sh: $(basename "$binary") needs DLLs Windows does not have: $bad" >&2; exit 1; }
done

NAME="Tavoline-$VERSION-win32"
STAGE="build/release/$NAME"
rm -rf "build/release" && mkdir -p "$STAGE" dist
cp "$EXE" "$STAGE/Tavoline.exe"
if [ -n "$DLL" ]; then cp "$DLL" "$STAGE/ZipArchive.dll"; else echo "release.sh: warning: no ZipArchive.dll was built" >&2; fi
sed 's/\r*$/\r/' docs/USER-GUIDE.txt >"$STAGE/USER-GUIDE.txt"   # Notepad-friendly line ends
i686-w64-mingw32-strip "$STAGE"/*.exe "$STAGE"/*.dll 2>/dev/null || true

rm -f "dist/$NAME.zip"
(cd build/release && zip -q -X -r "$ROOT/dist/$NAME.zip" "$NAME")
echo "== dist/$NAME.zip"
unzip -l "dist/$NAME.zip"
