#!/bin/sh
# Starts Tavoline on this Linux machine: the 64-bit Windows build, under Wine, on your display.
#   sh scripts/run.sh [archive.zip]
# The first run installs what is missing (as root, on Debian 12), builds the program and makes
# Tavoline's own Wine prefix (~/.local/share/tavoline/wine, or $TAVOLINE_WINEPREFIX).
set -eu
. "$(dirname "$0")/fixed-layout.sh"   # before any cd: it runs "$0" again
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"

if [ -z "${DISPLAY:-}" ]; then
  cat >&2 <<'MSG'
run.sh: there is no display (DISPLAY is not set), so Tavoline's window has nowhere to appear.
Start it from a terminal of your desktop session, or over SSH with X forwarding
(ssh -X user@this-machine, then sh scripts/run.sh). To check it without a screen,
run it on a virtual display: xvfb-run -a sh scripts/run.sh
(To build everything and run the tests, no display is needed: sh scripts/test.sh)
MSG
  exit 2
fi

sh scripts/setup.sh
sh scripts/fetch-sources.sh

BUILD=${TAVOLINE_BUILD:-build/win64}  # another build tree of the 64-bit configuration may be named
mkdir -p build
if [ ! -f "$BUILD/CMakeCache.txt" ]; then
  cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake \
    >"$BUILD.configure.log" 2>&1 || { cat "$BUILD.configure.log" >&2; exit 1; }
fi
echo "== building Tavoline.exe ($BUILD)"
cmake --build "$BUILD" -j "$(nproc)" --target Tavoline
EXE="$BUILD/bin/Tavoline.exe"
[ -f "$EXE" ] || { echo "run.sh: the build made no $EXE" >&2; exit 1; }

WINE=/usr/lib/wine/wine64
export WINEPREFIX="${TAVOLINE_WINEPREFIX:-$HOME/.local/share/tavoline/wine}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko prompts: the program needs neither
if [ ! -f "$WINEPREFIX/.tavoline-ready" ]; then
  echo "== making Tavoline's Wine prefix in $WINEPREFIX (once; a minute or more)"
  mkdir -p "$WINEPREFIX"
  timeout 600 $WINE wineboot -i </dev/null >"$WINEPREFIX.log" 2>&1 || { cat "$WINEPREFIX.log" >&2; exit 1; }
  timeout 60 /usr/lib/wine/wineserver -w || true
  touch "$WINEPREFIX/.tavoline-ready"
fi

# An archive given by its Linux path is handed over as Windows sees it.
if [ $# -gt 0 ] && [ -e "$1" ]; then
  archive=$($WINE winepath -w "$(realpath "$1")" 2>/dev/null | tr -d '\r')
  shift
  set -- "$archive" "$@"
fi
echo "== starting $EXE"
exec $WINE "$EXE" "$@"
