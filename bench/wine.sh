#!/bin/sh
# The figure users feel: the real program under Wine in command-line mode, unpacking the benchmark's
# source-tree archive (start-up, update check, test and extraction of every entry), in a throwaway
# Wine prefix. Skipped when build/win64 has no Tavoline.exe.
#   sh bench/wine.sh [--work DIR] [ARCHIVE]   (DIR: bench.py's --work, default /dev/shm/tavoline-bench)
set -eu
. "$(dirname "$0")/../scripts/fixed-layout.sh"   # before any cd: it runs "$0" again
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BIN=${TAVOLINE_BIN:-"$ROOT/build/win64/bin"}
BENCH=/dev/shm/tavoline-bench
if [ "${1:-}" = "--work" ]; then BENCH=$2; shift 2; fi
ARCHIVE=${1:-$BENCH/out/tree-tavoline.zip}
WORK=$BENCH/wine
# The timer is built with the 64-bit Windows build (bench/CMakeLists.txt).
RUNNER=$ROOT/build/win64/bin/WineRunner.exe
if [ ! -f "$BIN/Tavoline.exe" ] || [ ! -f "$ARCHIVE" ] || [ ! -f "$RUNNER" ]; then
  echo "Wine: skipped (needs $BIN/Tavoline.exe, $RUNNER and $ARCHIVE)"
  exit 0
fi
windows() { printf 'Z:%s' "$1" | tr / '\\'; }

rm -rf "$WORK/app" "$WORK/data"
mkdir -p "$WORK/app" "$WORK/data"
cp "$BIN/Tavoline.exe" "$BIN/ZipArchive.dll" "$WORK/app/"
cp "$ARCHIVE" "$WORK/data/tree.zip"

# The prefix records shell requests (the folder opened at the end) instead of starting a file manager.
export WINEPREFIX="$WORK/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
sh "$ROOT/scripts/wine-prefix.sh" "$WINEPREFIX" "$BIN/shellrec.exe" 2>/dev/null || sh "$ROOT/scripts/wine-prefix.sh" "$WINEPREFIX"
unset DISPLAY WAYLAND_DISPLAY
trap '/usr/lib/wine/wineserver -k 2>/dev/null || true' EXIT
/usr/lib/wine/wineserver -p30
SIZE=$(du -m "$WORK/data/tree.zip" | cut -f1)
printf "Wine, Tavoline.exe unpacking tree.zip (%s MB): " "$SIZE"
timeout -k 5 960 /usr/lib/wine/wine64 "$RUNNER" "$(windows "$WORK/app/Tavoline.exe")" \
  "$(windows "$WORK/data/tree.zip")" </dev/null
