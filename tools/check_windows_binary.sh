#!/usr/bin/env bash
# Checks the shape of a Windows build: Korvanel.exe is a 32-bit console program
# that imports nothing but Windows system DLLs, and never librfc32.dll, which it
# loads itself at run time so that a library it cannot load gets an answer PRTG reads.
# It and every further program named (the password tool) carry the asInvoker
# manifest, so Windows never redirects their writes into a VirtualStore.
set -euo pipefail
exe=$1
status=0
for program in "$@"; do
    description=$(file -b "$program")
    case "$description" in
    "PE32 executable (console) Intel 80386"*) ;;
    *) echo "not a 32-bit console program: $program: $description"; exit 1 ;;
    esac
    resources=$(mktemp)
    i686-w64-mingw32-objcopy -O binary --only-section=.rsrc "$program" "$resources" 2>/dev/null || true
    if ! grep -q 'requestedExecutionLevel level="asInvoker"' "$resources"; then
        echo "no asInvoker manifest: $program"
        status=1
    fi
    rm -f "$resources"
done
while read -r dll; do
    case "${dll,,}" in
    kernel32.dll | msvcrt.dll | user32.dll | advapi32.dll | crypt32.dll) ;;
    *) echo "unexpected DLL import: $dll"; status=1 ;;
    esac
done < <(i686-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p')
exit $status
