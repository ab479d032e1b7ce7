#!/bin/sh
# usage: resources_test.sh KESTRUNE.EXE. Reads back the built resources, version record, icons,
# manifest, DLLs and hardening; DPI calls that Windows 7 lacks must be looked up at run time.
set -eu
found=$(mktemp)
trap 'rm -f "$found"' EXIT
wrestool -l "$1" | cut -d' ' -f1-3 >"$found"
wrestool -x -t14 -n1 "$1" | icotool -l - >>"$found"
x86_64-w64-mingw32-windres -i "$1" -O rc | grep -E '^1 VERSIONINFO|^ *(FILE|PRODUCT|BLOCK|VALUE)' | sed 's/^ *//' >>"$found"
wrestool --raw -x -t24 -n1 "$1" | grep -o 'level="asInvoker"\|>PerMonitorV2<\|Common-Controls" version="6.0.0.0"\|processorArchitecture="[^"]*"' >>"$found"
x86_64-w64-mingw32-objdump -p "$1" | grep -o '(PE32+)\|(Windows GUI)\|DLL Name: .*\|[A-Z_]*\(VA\|BASE\|COMPAT\)$\|[A-Za-z]*Dpi[A-Za-z]*' |
    sort -f >>"$found"
{
printf -- '--type=%s --name=%s --language=1033\n' 3 30001 3 30002 3 30003 3 30004 3 30005 3 30006 \
    14 1 16 1 24 1
printf -- '--icon --index=%s --width=%s --height=%s --bit-depth=%s --palette-size=%s\n' \
    1 16 16 8 256 2 32 32 8 256 3 48 48 8 256 4 16 16 32 0 5 32 32 32 0 6 48 48 32 0
printf '%s\n' '1 VERSIONINFO' 'FILEVERSION 1, 0, 0, 0' 'PRODUCTVERSION 1, 0, 0, 0' 'FILEFLAGSMASK 0x3f' \
    'FILEOS 0x4' 'FILETYPE 0x1' 'BLOCK "StringFileInfo"' 'BLOCK "040904B0"'
printf 'VALUE "%s", "%s"\n' CompanyName 'The Kestrune developers' ProductName Kestrune FileVersion 1.00 \
    ProductVersion 1.00 InternalName Kestrune OriginalFilename Kestrune.exe FileDescription Kestrune \
    LegalCopyright 'Copyright (c) 2026 The Kestrune developers'
printf '%s\n' 'BLOCK "VarFileInfo"' 'VALUE "Translation", 0x409, 1200' 'processorArchitecture="amd64"' \
    'Common-Controls" version="6.0.0.0"' 'processorArchitecture="*"' 'level="asInvoker"' '>PerMonitorV2<' \
    '(PE32+)' '(Windows GUI)'
printf 'DLL Name: %s\n' COMCTL32.dll GDI32.dll KERNEL32.dll msvcrt.dll USER32.dll
printf '%s\n' DYNAMIC_BASE HIGH_ENTROPY_VA NX_COMPAT
} | diff -u - "$found"
