#!/bin/sh
# Builds everything (native archive core, the core as 32-bit code, 64-bit Windows build with its
# installer, 32-bit shipped build with its installer) and runs every test.
# Run as root on Debian 12; installs what is missing first. Build trees are kept in build/ for quick re-runs.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
JOBS=$(nproc)

sh scripts/setup.sh
sh scripts/fetch-sources.sh

configure() { # dir, extra args...
  dir=$1; shift
  [ -f "$dir/CMakeCache.txt" ] || cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >"$dir.configure.log" 2>&1 \
    || { mkdir -p "$(dirname "$dir")"; cat "$dir.configure.log" >&2; exit 1; }
}
mkdir -p build
configure build/native
configure build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake
configure build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DBUILD_TESTING=OFF
configure build/native32 -DCMAKE_TOOLCHAIN_FILE=cmake/linux-i386.cmake "-DTAVOLINE_NATIVE_TEST_PARTS=zipbytes;ziparchive/core" \
  -DTAVOLINE_CORE_TEST_TIMEOUT=1200

echo "== building (native, native 32-bit core tests, win64, win32)"
cmake --build build/native -j "$JOBS"
# Listing the 32-bit tests after the build runs them, so the machine must start 32-bit programs first.
sh scripts/i386-runner.sh
cmake --build build/native32 -j "$JOBS" --target zipcore-tests zipbzip2-tests zipparallel-tests
cmake --build build/win64 -j "$JOBS"
cmake --build build/win32 -j "$JOBS"

status=0
echo "== native tests"
(cd build/native && ctest -j "$JOBS" --output-on-failure) >build/native-tests.log 2>&1 || status=1
tail -n 3 build/native-tests.log
echo "== the archive core's unit tests as 32-bit code"
start32=$(date +%s)
# Under the emulator, resident memory is the emulator's, whose cache of translated code grows as
# the tests run: the memory-flat checks measure that, not us, so they run only on native 32-bit.
EXCLUDE32=""
if grep -qs '^enabled' /proc/sys/fs/binfmt_misc/qemu-i386; then EXCLUDE32="LeaveMemoryFlat"; fi
(cd build/native32 && ctest -j "$JOBS" --output-on-failure ${EXCLUDE32:+-E "$EXCLUDE32"}) >build/native32-tests.log 2>&1 || status=1
tail -n 3 build/native32-tests.log
echo "   ($(( $(date +%s) - start32 )) s)"
echo "== preparing the Wine test prefix"
# Not the copy a previous run put into the prefix (build/win64/wine): cp refuses to copy a file onto itself.
RECORDER=$(find build/win64 -path build/win64/wine -prune -o -name shellrec.exe -type f -print | head -n1 || true)
sh scripts/wine-prefix.sh "$ROOT/build/win64/wine/prefix" "$RECORDER"

# One wineserver for the whole Windows suite, kept until the end: a server started on demand
# quits a few seconds after its last program, and a test starting at that moment is cut off
# ("recvmsg: Connection reset by peer"). Everything it started is ended afterwards.
export WINEPREFIX="$ROOT/build/win64/wine/prefix"
/usr/lib/wine/wineserver -p
# Start Wine's services now, detached from any test's output.
WINEDEBUG=-all timeout 120 /usr/lib/wine/wine64 cmd /c exit 0 </dev/null >/dev/null 2>&1 || true
trap '/usr/lib/wine/wineserver -k 2>/dev/null || true' EXIT

echo "== Windows tests under Wine"
(cd build/win64 && ctest -j "$JOBS" --output-on-failure) >build/win64-tests.log 2>&1 || status=1
tail -n 3 build/win64-tests.log
[ $status -eq 0 ] || { grep -h -A40 -E "\*\*\*Failed|\*\*\*Timeout|\*\*\*Exception" build/native-tests.log build/native32-tests.log build/win64-tests.log | head -n 200 || true; }

# One closing line for all suites.
count() { sed -n 's/.*tests passed, \([0-9]*\) tests failed out of \([0-9]*\).*/\1 \2/p' "$1" | tail -n1; }
set -- $(count build/native-tests.log) ; nf=${1:-0}; nt=${2:-0}
set -- $(count build/native32-tests.log) ; xf=${1:-0}; xt=${2:-0}
set -- $(count build/win64-tests.log) ; wf=${1:-0}; wt=${2:-0}
failed=$((nf + xf + wf)); passed=$((nt + xt + wt - failed))
echo "$passed passed, $failed failed"
exit $status
