#!/bin/sh
# check-pe.sh OBJDUMP BINARY...
# What Windows sees in the headers of the binaries we ship, checked as a Windows engineer would:
#  - ASLR: a relocatable image (dynamic base) that keeps its relocations; on 64-bit with high-entropy addresses;
#  - DEP: marked NX compatible;
#  - imported the ordinary way (searched for in the program's folder first): only ZipArchive.dll, and
#    system DLLs that Windows always takes from its own folder (known DLLs; COMCTL32 through the
#    manifest's side-by-side binding). Any other system DLL is loaded by full path at run time
#    (framework/WinInetLibrary.h);
#  - every import slot usable: an ordinary import names a function, a delay import holds the address of
#    its load stub (scripts/pe-import-slots.py). A slot left 0 by the linker is a jump to address 0.
set -eu
OBJDUMP=$1
shift
KNOWN='^(KERNEL32|USER32|GDI32|ADVAPI32|SHELL32|OLE32|OLEAUT32|COMDLG32|WS2_32|SHLWAPI|PSAPI|msvcrt|COMCTL32|ZipArchive)\.dll$'
status=0
for binary in "$@"; do
  name=$(basename "$binary")
  headers=$("$OBJDUMP" -p "$binary")
  flags=$(printf '%s\n' "$headers" | sed -n 's/^DllCharacteristics[[:space:]]*\([0-9a-fA-F]*\).*/\1/p')
  flags=$((0x${flags:-0}))
  wide=$(printf '%s\n' "$headers" | grep -c '^Magic.*020b' || true)   # PE32+: a 64-bit image
  problems=""
  [ $((flags & 0x40)) -ne 0 ] || problems="$problems no ASLR (DYNAMIC_BASE);"
  [ $((flags & 0x100)) -ne 0 ] || problems="$problems no DEP (NX_COMPAT);"
  [ "$wide" -eq 0 ] || [ $((flags & 0x20)) -ne 0 ] || problems="$problems no high-entropy addresses (HIGH_ENTROPY_VA);"
  printf '%s\n' "$headers" | grep -q 'Characteristics.*relocations stripped' && problems="$problems relocations stripped;"
  # Only the ordinary import table: delay-load imports are listed after it, under their own heading.
  imports=$(printf '%s\n' "$headers" | sed -n '/^The Import Tables/,/^The Delay Import/p' | sed -n 's/^[[:space:]]*DLL Name: //p')
  searched=$(printf '%s\n' "$imports" | grep -Eiv "$KNOWN" | tr '\n' ' ' || true)
  [ -z "$searched" ] || problems="$problems imports searched for in the program's folder: $searched;"
  if [ -n "$problems" ]; then
    echo "$name:$problems" >&2
    status=1
  else
    printf '%s: DllCharacteristics 0x%04x, imports: %s\n' "$name" "$flags" "$(printf '%s\n' "$imports" | tr '\n' ' ')"
  fi
done
python3 "$(dirname "$0")/pe-import-slots.py" "$@" || status=1
exit $status
