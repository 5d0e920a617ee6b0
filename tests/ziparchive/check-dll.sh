#!/bin/sh
# check-dll.sh OBJDUMP DLL: the DLL exports only CZipArchive's members (and its vtable and type
# information), and imports only DLLs that every Windows has.
set -eu
OBJDUMP=$1
DLL=$2
HEADERS=$("$OBJDUMP" -p "$DLL")

exports=$(printf '%s\n' "$HEADERS" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed -n 's/^\s*\[ *[0-9]*\] //p')
[ -n "$exports" ] || { echo "no exports found"; exit 1; }
stray=$(printf '%s\n' "$exports" | grep -v -E '^_Z(N|NK)11CZipArchive|^_ZT[IVS]11CZipArchive$' || true)
[ -z "$stray" ] || { echo "unexpected exports:"; printf '%s\n' "$stray"; exit 1; }
for member in OpenImpl GetCountImpl TestFileImpl ExtractFileImpl SetCompressionMethodImpl AddNewFileImpl CloseImpl C1Ev D1Ev; do
  printf '%s\n' "$exports" | grep -q "$member" || { echo "missing export: $member"; exit 1; }
done

imports=$(printf '%s\n' "$HEADERS" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
for dll in $imports; do
  case $dll in
    kernel32.dll|msvcrt.dll|user32.dll|advapi32.dll|api-ms-win-*) ;;
    *) echo "imports a DLL that Windows does not ship: $dll"; exit 1 ;;
  esac
done
echo "exports: $(printf '%s\n' "$exports" | wc -l), imports: $(echo $imports)"
