#!/bin/sh
# usage: windows_resources_test.sh KESTRUNE.RC
# Compiles the resource script with MinGW's windres, decompiles what it made, and reads the icon
# group back with icoutils from a bare DLL that carries the resources; the .ico file must match.
set -eu
rc=$(realpath "$1")
cd "$(mktemp -d)" # elsewhere, so the script's file names must resolve next to it
trap 'rm -rf "$PWD"' EXIT
i686-w64-mingw32-windres --preprocessor=cpp -i "$rc" -O coff -o res.o
i686-w64-mingw32-ld --dll -o res.dll res.o
i686-w64-mingw32-windres -i res.o -O rc | grep -E '^(LANGUAGE|1 VERSIONINFO)|^ *(FILE|PRODUCT|BLOCK|VALUE)' >found
wrestool -x -t14 -n1 res.dll | icotool -l - | tee -a found >group
icotool -l "$(dirname "$rc")/icons/kestrune.ico" | diff -u group - # the .ico holds the same six
diff -u - found <<'END'
LANGUAGE 9, 1
1 VERSIONINFO
 FILEVERSION 1, 0, 0, 0
 PRODUCTVERSION 1, 0, 0, 0
 FILEFLAGSMASK 0x3f
 FILEOS 0x4
 FILETYPE 0x1
  BLOCK "StringFileInfo"
    BLOCK "040904B0"
      VALUE "CompanyName", "The Kestrune developers"
      VALUE "ProductName", "Kestrune"
      VALUE "FileVersion", "1.00"
      VALUE "ProductVersion", "1.00"
      VALUE "InternalName", "Kestrune"
      VALUE "OriginalFilename", "Kestrune.exe"
  BLOCK "VarFileInfo"
    VALUE "Translation", 0x409, 1200
--icon --index=1 --width=16 --height=16 --bit-depth=8 --palette-size=256
--icon --index=2 --width=32 --height=32 --bit-depth=8 --palette-size=256
--icon --index=3 --width=48 --height=48 --bit-depth=8 --palette-size=256
--icon --index=4 --width=16 --height=16 --bit-depth=32 --palette-size=0
--icon --index=5 --width=32 --height=32 --bit-depth=32 --palette-size=0
--icon --index=6 --width=48 --height=48 --bit-depth=32 --palette-size=0
END
