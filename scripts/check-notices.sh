#!/bin/sh
# check-notices.sh BUILD_TREE NOTICES_FILE
# Every third-party library that the build links into Tavoline.exe or ZipArchive.dll must have its
# notice in the THIRD-PARTY-NOTICES.txt that ships: the libraries are read from the link lines CMake
# wrote, so a library added to the build without its notice stops the release.
set -eu
TREE=$1 NOTICES=$2
status=0
checked=""
links=$(cat "$TREE/ziparchive/CMakeFiles/ZipArchive.dir/linkLibs.rsp" "$TREE/app/CMakeFiles/Tavoline.dir/linkLibs.rsp")
# The C++ runtime is linked statically, and with it winpthreads (the posix thread model).
libraries="winpthreads $(printf '%s\n' $links | sed -n 's|^"*\([^"]*/\)*\(lib[^/"]*\.a\)"*$|\2|p' | sort -u)"
for library in $libraries; do
  case $library in
    libzip*.a | libtavoline_*.a | libZipArchive.dll.a) continue ;;  # ours
    winpthreads) heading="mingw-w64 winpthreads" ;;
    libz.a) heading="zlib" ;;
    libbzip2_*.a) heading="libbzip2" ;;
    liblzma_*.a) heading="liblzma" ;;
    libzstd_*.a) heading="Zstandard" ;;
    libdivsufsort_*.a) heading="libdivsufsort" ;;
    libmbed*.a) heading="Mbed TLS" ;;
    *) echo "check-notices: $library is linked in, but this script does not know whose it is: add its notice and a line here" >&2
       status=1; continue ;;
  esac
  checked="$checked $heading,"
  # A numbered section of its own: "N. heading" on a line (the shipped copy has CRLF line ends).
  tr -d '\r' <"$NOTICES" | grep -Eq "^[0-9]+\. $heading\$" \
    || { echo "check-notices: $library is linked in, but $(basename "$NOTICES") has no section \"$heading\"" >&2; status=1; }
done
[ $status -ne 0 ] || echo "check-notices: every library linked in has its notice:${checked%,}"
exit $status
