#!/bin/sh
# The installer (64-bit, or with ARCH win32 the 32-bit one) in a fresh Wine prefix of its own, as a user would live with it:
#   1. a silent per-user install of an older version, then of this one over it;
#   2. installed_shell_test.exe: the registrations and Explorer's verbs on real files;
#   3. the archives the verbs made, read natively (Python's zipfile, unzip -t, 7z t);
#   4. the quiet uninstall, after which no file and no registry value of ours is left.
#   installer_test.sh INSTALLER TEST_EXE RECORDER WORK ARCHIVES [ARCH]   (ARCH win64 or win32)
set -eu
INSTALLER=$1 TEST_EXE=$2 RECORDER=$3 WORK=$4 ARCHIVES=$5 ARCH=${6:-win64}
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
PREFIX=$WORK/prefix
WINE=${TAVOLINE_WINE:-/usr/lib/wine/wine64}
SERVER=${TAVOLINE_WINESERVER:-/usr/lib/wine/wineserver}
LOG=$WORK/wine.log

fail() { echo "installer test: $*" >&2; exit 1; }

# A fresh prefix every run (wine-prefix.sh makes it as the suite's: headless, shell recorder).
export WINEPREFIX="$PREFIX"
$SERVER -k 2>/dev/null || true
rm -rf "$PREFIX" "$WORK/older"
mkdir -p "$WORK"
: >"$LOG"
sh "$ROOT/scripts/wine-prefix.sh" "$PREFIX" "$RECORDER"
# Shortcuts must not turn into desktop entries of the machine running the tests.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY
$SERVER -p60
trap '$SERVER -k 2>/dev/null || true' EXIT

run() { timeout -k 5 300 "$WINE" "$@" </dev/null >>"$LOG" 2>&1; }
# What the prefix holds, once the server has written the registry out: files (Wine's temp
# folders left out) and every registry line that names us.
snapshot() {
  $SERVER -k 2>/dev/null || true
  (cd "$PREFIX/drive_c" && find . -path '*/Temp' -prune -o -print | sort) >"$WORK/$1.files"
  grep -i -h tavoline "$PREFIX/user.reg" "$PREFIX/system.reg" >"$WORK/$1.registry" || true
}
snapshot before
[ ! -s "$WORK/before.registry" ] || fail "the fresh prefix already names Tavoline"

# An older version first: the same files under a lower version number.
makensis -V1 -DARCH=$ARCH -DVERSION=1.0.0.0 -DFILES="$(dirname "$INSTALLER")/files" \
  -DOUTFILE="$WORK/older-setup.exe" "$ROOT/installer/Tavoline.nsi" >>"$LOG" 2>&1 || fail "makensis failed (see $LOG)"
run "$WORK/older-setup.exe" /S /CurrentUser || fail "the older version did not install silently (status $?)"
run "$INSTALLER" /S /CurrentUser || fail "the installer did not run silently (status $?)"

status=0
run "$TEST_EXE" || status=$?
sed -n '/\[==========\]\|\[  FAILED  \]\|Failure\|Expected\|Which is\|actual\|error/p' "$LOG" | tr -d '\r'
[ $status -eq 0 ] || fail "installed_shell_test failed (status $status; see $LOG)"
python3 "$ROOT/tests/jobs/check_archives.py" "$ARCHIVES" verb-folder verb-file || fail "the verbs' archives do not read back"

# The quiet uninstall that Apps & features would run; its copy in %TEMP% ends a moment later.
USER_DIR=$(cd "$PREFIX/drive_c/users" && ls | grep -v -x -i public | head -n1)
UNINSTALLER="C:\\users\\$USER_DIR\\AppData\\Local\\Programs\\Tavoline\\Uninstall.exe"
run "$UNINSTALLER" /S || fail "the uninstaller failed (status $?)"
timeout 60 $SERVER -w || true
snapshot after
if [ -s "$WORK/after.registry" ]; then cat "$WORK/after.registry" >&2; fail "registry values of ours are left"; fi
left=$(grep -i tavoline "$WORK/after.files" || true)
[ -z "$left" ] || fail "files of ours are left: $left"
# Left out: the shell recorder's log, and WinInet's cookie store, which the update check at every
# start of the program makes.
added=$(comm -13 "$WORK/before.files" "$WORK/after.files" | grep -v -i -e shellrec -e '/INetCookies' || true)
[ -z "$added" ] || fail "install and uninstall left new files: $added"
echo "installer test: installed, verbs used, uninstalled without a trace"
