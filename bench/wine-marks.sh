#!/bin/sh
# What the zone mark costs: the real program under Wine in command-line mode (bench/WineRunner.cpp)
# unpacking the benchmark's source-tree and tiny-files archives, each with and without a
# Zone.Identifier stream, in turns, on a real NTFS volume (an image on tmpfs through ntfs-3g, made by
# tests/wine/ntfs-volume.sh; there every file gets a stream) and on /dev/shm (a tmpfs: no streams).
# Run as root. Usage: sh bench/wine-marks.sh [ROUNDS]   (each figure is the minimum of ROUNDS, default 3)
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
ROUNDS=${1:-3}
BIN=${TAVOLINE_BIN:-"$ROOT/build/win64/bin"}
BENCH=/dev/shm/tavoline-bench
WORK=$BENCH/marks
ZIPBENCH="$ROOT/build/bench-native/bench/zipbench"
RUNNER=$ROOT/build/win64/bin/WineRunner.exe   # built with the 64-bit Windows build (bench/CMakeLists.txt)
[ -f "$BIN/Tavoline.exe" ] && [ -f "$RUNNER" ] || { echo "needs $BIN/Tavoline.exe and $RUNNER (a win64 build)" >&2; exit 1; }

# The archives bench/run.sh unpacks: the core's own, method 12.
[ -x "$ZIPBENCH" ] || { [ -f "$ROOT/build/bench-native/CMakeCache.txt" ] ||
  cmake -S "$ROOT" -B "$ROOT/build/bench-native" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF >/dev/null
  cmake --build "$ROOT/build/bench-native" --target zipbench -j "$(nproc)" >/dev/null; }
/usr/bin/python3 -c "import sys; sys.path.insert(0, '$ROOT/bench'); import corpus; corpus.build_corpus('$BENCH/corpus')"
mkdir -p "$BENCH/out"
for name in tree:tree/src tiny:tiny/files; do
  archive="$BENCH/out/${name%%:*}-tavoline.zip"
  [ -f "$archive" ] || "$ZIPBENCH" pack "$archive" "$BENCH/corpus/${name#*:}" >/dev/null
done

trap 'cd /; /usr/lib/wine/wineserver -k 2>/dev/null || true; sh "$ROOT/tests/wine/ntfs-volume.sh" down "$WORK/volumes" || true' EXIT
mkdir -p "$WORK/app"
sh "$ROOT/tests/wine/ntfs-volume.sh" up "$WORK/volumes"
cp "$BIN/Tavoline.exe" "$BIN/ZipArchive.dll" "$WORK/app/"
export WINEPREFIX="$BENCH/wine/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
sh "$ROOT/scripts/wine-prefix.sh" "$WINEPREFIX" "$BIN/shellrec.exe" 2>/dev/null || sh "$ROOT/scripts/wine-prefix.sh" "$WINEPREFIX"
unset DISPLAY WAYLAND_DISPLAY
/usr/lib/wine/wineserver -p30

MARK=$(printf '[ZoneTransfer]\r\nZoneId=3\r\nReferrerUrl=https://downloads.example.org/\r\nHostUrl=https://downloads.example.org/a.zip\r\n')
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }
# One unpacking; prints its seconds. Through ntfs-3g "a.zip:Zone.Identifier" is the stream itself,
# on the tmpfs the file Wine takes for it.
run() { # volume folder, archive name, marked (yes/no)
  dir="$1/run"
  rm -rf "$dir"; mkdir -p "$dir"
  cp "$BENCH/out/$2-tavoline.zip" "$dir/a.zip"
  [ "$3" = no ] || printf '%s' "$MARK" > "$dir/a.zip:Zone.Identifier"
  sync
  seconds=$(timeout -k 5 960 /usr/lib/wine/wine64 "$RUNNER" "$(winpath "$WORK/app/Tavoline.exe")" \
    "$(winpath "$dir/a.zip")" </dev/null | sed -n 's/^\([0-9.]*\) s to "Unzipping completed.*/\1/p')
  # On the NTFS volume a marked run must have marked its files (one is looked at).
  if [ "$3" = yes ] && [ "$1" = "$WORK/volumes/ntfs" ] && [ -z "$(cat "$dir/a/$4:Zone.Identifier" 2>/dev/null)" ]; then
    echo "unmarked: $dir/a/$4" >&2; seconds=
  fi
  rm -rf "$dir"
  echo "${seconds:-failed}"
}
# The smaller of two times, or "failed".
least() { echo "$1 $2" | awk '{ if ($1 == "failed" || $2 == "failed") print "failed"; else print ($1 < $2) ? $1 : $2 }'; }

printf 'load average at start: %s\n' "$(cut -d' ' -f1-3 /proc/loadavg)"
printf '| archive | volume | unmarked s | marked s | marked / unmarked |\n|---|---|---:|---:|---:|\n'
for archive in tree:include/stdio.h tiny:d000/f00000.txt; do
  name=${archive%%:*}; probe=${archive#*:}
  for volume in volumes/ntfs tmpfs; do
    best_no=; best_yes=
    for round in $(seq "$ROUNDS"); do
      for marked in no yes; do
        s=$(run "$WORK/$volume" "$name" "$marked" "$probe")
        if [ "$marked" = no ]; then best_no=$(least "$s" "${best_no:-$s}"); else best_yes=$(least "$s" "${best_yes:-$s}"); fi
      done
    done
    printf '| %s | %s | %s | %s | %s |\n' "$name" "${volume#volumes/}" "$best_no" "$best_yes" \
      "$(echo "$best_yes $best_no" | awk '{ if ($1 == "failed" || $2 == "failed") print "-"; else printf "%.2fx", $1 / $2 }')"
  done
done
printf 'load average at end: %s\n' "$(cut -d' ' -f1-3 /proc/loadavg)"
