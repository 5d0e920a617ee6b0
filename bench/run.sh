#!/bin/sh
# Benchmark: Tavoline's archive core against Info-ZIP zip/unzip, 7-Zip and Python's zipfile on the same
# data in the same run, then the program itself under Wine against 7-Zip's Windows 7z.exe (see
# bench/README.md). Usage: sh bench/run.sh [bench.py options, e.g. --runs 5]
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD="$ROOT/build/bench-native"

command -v zip >/dev/null && command -v 7z >/dev/null && command -v unzip >/dev/null && command -v lbzip2 >/dev/null || sh "$ROOT/scripts/setup.sh"
sh "$ROOT/scripts/fetch-sources.sh"
[ -f "$BUILD/CMakeCache.txt" ] || cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF >/dev/null
cmake --build "$BUILD" --target zipbench bzip2encode bzip2decode -j "$(nproc)" >/dev/null

# The Wine scripts share bench.py's work folder, runs and data sets.
WORK=/dev/shm/tavoline-bench
WINE_OPTIONS=""
previous=""
for word in "$@"; do
  case $previous in
    --work) WORK=$word ;;
    --runs|--only) WINE_OPTIONS="$WINE_OPTIONS $previous $word" ;;
  esac
  previous=$word
done

/usr/bin/python3 "$ROOT/bench/bench.py" --zipbench "$BUILD/bench/zipbench" "$@"
sh "$ROOT/bench/wine.sh" --work "$WORK"
# shellcheck disable=SC2086  # WINE_OPTIONS holds option words
sh "$ROOT/bench/wine-vs-7z.sh" --work "$WORK" $WINE_OPTIONS
