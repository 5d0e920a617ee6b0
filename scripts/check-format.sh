#!/bin/sh
# Fails when a C or C++ source of the project is not as clang-format would write it: the program's
# style (.clang-format) or, below the folders that carry their own, the archive core's.
# `sh scripts/check-format.sh --fix` rewrites the files instead.
set -eu
cd "$(dirname "$0")/.."
if [ "${1:-}" = "--fix" ]; then mode=-i; else mode="--dry-run --Werror"; fi
files=$(git ls-files '*.c' '*.cpp' '*.h' 2>/dev/null) ||
  files=$(find . -path ./build -prune -o -path ./.cache -prune -o \( -name '*.c' -o -name '*.cpp' -o -name '*.h' \) -print)
# shellcheck disable=SC2086
printf '%s\n' $files | xargs clang-format $mode
