#!/bin/sh
# Runs the Windows tests of one build tree under the Wine its CMake cache names
# (TAVOLINE_WINE: the host's wine64, or the stand-ins of scripts/wow64/ for the 32-bit build):
#   windows-suite.sh TREE LOG
# in the tree's prefix (made once by wine-prefix.sh), with one wineserver kept for the whole suite.
# Prints the log's last lines and the time taken; exits non-zero when a test failed.
set -eu
. "$(dirname "$0")/fixed-layout.sh"   # before any cd: it runs "$0" again
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
tree=$1 log=$2
cached() { sed -n "s/^$1:FILEPATH=//p" "$tree/CMakeCache.txt"; }
export TAVOLINE_WINE="$(cached TAVOLINE_WINE)" TAVOLINE_WINESERVER="$(cached TAVOLINE_WINESERVER)"
export WINEPREFIX="$ROOT/$tree/wine/prefix"
# Not the copy a previous run put into the prefix ($tree/wine): cp refuses to copy a file onto itself.
recorder=$(find "$tree" -path "$tree/wine" -prune -o -name shellrec.exe -type f -print | head -n1 || true)
sh scripts/wine-prefix.sh "$WINEPREFIX" "$recorder"

# One wineserver for the whole suite, kept until the end: a server started on demand quits a few
# seconds after its last program, and a test starting at that moment is cut off ("recvmsg:
# Connection reset by peer"). Everything it started is ended afterwards.
"$TAVOLINE_WINESERVER" -p
trap '"$TAVOLINE_WINESERVER" -k 2>/dev/null || true' EXIT
# Start Wine's services now, detached from any test's output.
WINEDEBUG=-all timeout 120 "$TAVOLINE_WINE" cmd /c exit 0 </dev/null >/dev/null 2>&1 || true
started=$(date +%s)
status=0
(cd "$tree" && ctest -j "$(nproc)" --output-on-failure) >"$log" 2>&1 || status=1
tail -n 3 "$log"
echo "   ($(( $(date +%s) - started )) s)"
exit $status
