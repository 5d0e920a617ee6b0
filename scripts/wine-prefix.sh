#!/bin/sh
# Creates the Wine prefix the tests run in (once; about 12 s) and installs the shell recorder into it.
#   wine-prefix.sh PREFIX RECORDER_EXE
set -eu
PREFIX=$1
RECORDER=${2:-}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX="$PREFIX" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
# TAVOLINE_WINE and TAVOLINE_WINESERVER choose another Wine (scripts/wow64/ for the 32-bit build).
WINE=${TAVOLINE_WINE:-/usr/lib/wine/wine64}
SERVER=${TAVOLINE_WINESERVER:-/usr/lib/wine/wineserver}

if [ ! -f "$PREFIX/.tavoline-ready" ]; then
  rm -rf "$PREFIX"; mkdir -p "$PREFIX"
  timeout 300 $WINE wineboot -i </dev/null >"$PREFIX.log" 2>&1 || { cat "$PREFIX.log" >&2; exit 1; }
  cp "$ROOT/tests/wine/test-settings.reg" "$PREFIX/drive_c/test-settings.reg"
  timeout 120 $WINE regedit /S 'C:\test-settings.reg' </dev/null >>"$PREFIX.log" 2>&1
  timeout 60 $SERVER -w
  touch "$PREFIX/.tavoline-ready"
fi
if [ -n "$RECORDER" ]; then
  cp "$RECORDER" "$PREFIX/drive_c/shellrec.exe"
fi
