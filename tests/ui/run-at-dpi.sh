#!/bin/sh
# run-at-dpi.sh TEMPLATE_PREFIX DPI PROGRAM [ARGUMENTS...]
# Runs a Windows test program under wine64 on a screen of DPI dots per inch: in a throwaway copy of
# the test prefix (hard links, cheap) whose LogPixels setting is DPI, with a wineserver of its own,
# so that the tests running meanwhile in the test prefix keep 96.
set -eu
TEMPLATE=$1 DPI=$2
shift 2
WINE=${TAVOLINE_WINE:-/usr/lib/wine/wine64}
SERVER=${TAVOLINE_WINESERVER:-/usr/lib/wine/wineserver}
# Beside the template: on the same disk for the hard links, and inside the project, which the
# 32-bit build's Wine (in the tree of scripts/wow64-tree.sh) sees at the same path.
WORK=$(mktemp -d "$(dirname "$TEMPLATE")/dpi$DPI.XXXXXX")
export WINEPREFIX="$WORK/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" TAVOLINE_TEST_DPI="$DPI"
unset DISPLAY WAYLAND_DISPLAY
cleanup() {
  $SERVER -k 2>/dev/null || true
  socket=$(cat "$WINEPREFIX/wineserver" 2>/dev/null || true)
  [ -z "$socket" ] || rm -rf "${TMPDIR:-/tmp}/$socket"   # where the host's Wine keeps it
  rm -rf "$WORK"
}
trap cleanup EXIT

# The template's files shared (hard links), but not the folders where the tests running meanwhile
# make and remove files (the users' Temp, the test folders at the root of C:): cp fails on a file
# removed while it copies. The copy has the Temp folders empty and no test folders.
mkdir "$WINEPREFIX"
(cd "$TEMPLATE" && find . \( -path './drive_c/users/*/Temp' -o -path './drive_c/tavoline-*' \) -prune -o ! -type d -print0 |
  xargs -0 -r cp -al --parents -t "$WINEPREFIX")
(cd "$TEMPLATE" && find . -path './drive_c/tavoline-*' -prune -o -type d -print0 -path './drive_c/users/*/Temp' -prune) |
  (cd "$WINEPREFIX" && xargs -0 -r mkdir -p)
# The registry files are rewritten, not changed in place: real copies, so the template stays as it is.
cp --remove-destination "$TEMPLATE"/*.reg "$WINEPREFIX"/
rm -f "$WINEPREFIX/wineserver"
timeout 120 $WINE reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$DPI" /f </dev/null >"$WORK/reg.log" 2>&1 \
  || { cat "$WORK/reg.log" >&2; exit 1; }

output="$WORK/output.log"
status=0
timeout -k 5 "${TAVOLINE_WINE_TIMEOUT:-120}" $WINE "$@" </dev/null >"$output" 2>&1 || status=$?
cat "$output"
exit $status
