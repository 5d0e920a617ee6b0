#!/bin/sh
# Builds everything (native archive core, the core as 32-bit code, 64-bit Windows build with its
# installer, 32-bit shipped build with its installer) and runs every test: the Windows suite twice,
# for the 64-bit build under the host's Wine 8 and for the 32-bit build under Wine 10's WoW64 mode in
# a Debian 13 tree (scripts/wow64-tree.sh; made by the first run, about 1.7 GB); last, that the sources
# are formatted as clang-format writes them (scripts/check-format.sh).
# Run as root on Debian 12; installs what is missing first. Build trees are kept in build/ for quick re-runs.
set -eu
. "$(dirname "$0")/fixed-layout.sh"   # before any cd: it runs "$0" again
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
JOBS=$(nproc)

sh scripts/setup.sh
sh scripts/fetch-sources.sh

configure() { # dir, extra args... (given again to a tree configured before: a tree kept from an older run follows)
  dir=$1; shift
  if [ -f "$dir/CMakeCache.txt" ]; then set -- -S . -B "$dir" "$@"; else set -- -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"; fi
  cmake "$@" >"$dir.configure.log" 2>&1 || { cat "$dir.configure.log" >&2; exit 1; }
}
mkdir -p build
configure build/native
configure build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake
configure build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DBUILD_TESTING=ON \
  -DTAVOLINE_WINE="$ROOT/scripts/wow64/wine64" -DTAVOLINE_WINESERVER="$ROOT/scripts/wow64/wineserver"
configure build/native32 -DCMAKE_TOOLCHAIN_FILE=cmake/linux-i386.cmake "-DTAVOLINE_NATIVE_TEST_PARTS=zipbytes;ziparchive/core" \
  -DTAVOLINE_CORE_TEST_TIMEOUT=1200

echo "== building (native, native 32-bit core tests, win64, win32)"
cmake --build build/native -j "$JOBS"
# Listing the 32-bit tests after the build runs them, so the machine must start 32-bit programs first.
sh scripts/i386-runner.sh
cmake --build build/native32 -j "$JOBS" --target zipcore-tests zipbzip2-tests zipextract-tests zippack-tests
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
echo "== Windows tests of the 64-bit build under Wine $(/usr/lib/wine/wine64 --version 2>/dev/null | sed 's/^wine-//')"
sh scripts/windows-suite.sh build/win64 build/win64-tests.log || status=1
echo "== Windows tests of the 32-bit build under Wine 10 (WoW64, in a Debian 13 tree)"
sh scripts/wow64-tree.sh
sh scripts/wow64-enter.sh sh scripts/windows-suite.sh build/win32 build/win32-tests.log || status=1
echo "== sources formatted as clang-format writes them"
sh scripts/check-format.sh >build/format-check.log 2>&1 && echo "   all formatted" ||
  { status=1; echo "   not formatted (sh scripts/check-format.sh --fix):"; grep -o '^[^:]*' build/format-check.log | sort -u | head -n 20; }
[ $status -eq 0 ] || { grep -h -A40 -E "\*\*\*Failed|\*\*\*Timeout|\*\*\*Exception" build/native-tests.log build/native32-tests.log build/win64-tests.log build/win32-tests.log | head -n 300 || true; }

# One closing line for all suites.
count() { sed -n 's/.*tests passed, \([0-9]*\) tests failed out of \([0-9]*\).*/\1 \2/p' "$1" | tail -n1; }
set -- $(count build/native-tests.log) ; nf=${1:-0}; nt=${2:-0}
set -- $(count build/native32-tests.log) ; xf=${1:-0}; xt=${2:-0}
set -- $(count build/win64-tests.log) ; wf=${1:-0}; wt=${2:-0}
set -- $(count build/win32-tests.log) ; yf=${1:-0}; yt=${2:-0}
echo "   native $((nt - nf))/$nt, native 32-bit $((xt - xf))/$xt, Windows 64-bit $((wt - wf))/$wt, Windows 32-bit $((yt - yf))/$yt"
failed=$((nf + xf + wf + yf)); passed=$((nt + xt + wt + yt - failed))
echo "$passed passed, $failed failed"
exit $status
