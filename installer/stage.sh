#!/bin/sh
# Lays out what a Tavoline package ships, in one folder: the program and its DLL stripped of
# debugging symbols, and the texts with Windows line ends (Notepad shows them right).
#   stage.sh FOLDER STRIP TAVOLINE_EXE ZIPARCHIVE_DLL SOURCE_ROOT
set -eu
FOLDER=$1 STRIP=$2 EXE=$3 DLL=$4 ROOT=$5
rm -rf "$FOLDER"
mkdir -p "$FOLDER"
"$STRIP" -o "$FOLDER/Tavoline.exe" "$EXE"
"$STRIP" -o "$FOLDER/ZipArchive.dll" "$DLL"
crlf() { sed 's/\r*$/\r/' "$1" >"$2"; }
crlf "$ROOT/LICENSE" "$FOLDER/LICENSE.txt"
crlf "$ROOT/THIRD-PARTY-NOTICES.txt" "$FOLDER/THIRD-PARTY-NOTICES.txt"
crlf "$ROOT/docs/USER-GUIDE.txt" "$FOLDER/USER-GUIDE.txt"
