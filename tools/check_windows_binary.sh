#!/usr/bin/env bash
# Checks the shape of a Windows build: Korvanel.exe is a 32-bit console program
# that imports nothing but Windows system DLLs and librfc32.dll (the latter under
# the eleven plain names), so it runs on a PRTG probe with only SAP's DLL beside it.
set -euo pipefail
exe=$1
description=$(file -b "$exe")
case "$description" in
"PE32 executable (console) Intel 80386"*) ;;
*) echo "not a 32-bit console program: $description"; exit 1 ;;
esac
status=0
while read -r dll; do
    case "${dll,,}" in
    kernel32.dll | msvcrt.dll | user32.dll | advapi32.dll | librfc32.dll) ;;
    *) echo "unexpected DLL import: $dll"; status=1 ;;
    esac
done < <(i686-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p')
# The librfc32 imports: the eleven functions, by their plain (undecorated) names.
imports=$(i686-w64-mingw32-objdump -p "$exe" | sed -n '/DLL Name: librfc32.dll/,/^$/p' | awk 'NR > 2 && NF >= 3 {print $3}' | sort | tr '\n' ' ')
expected="ItCreate ItDelete RfcCall RfcClose RfcEnvironment RfcInstallStructure RfcLastError RfcLastErrorEx RfcOpen RfcOpenEx RfcReceive "
if [ "$imports" != "$expected" ]; then
    echo "librfc32.dll imports differ: $imports"
    status=1
fi
exit $status
