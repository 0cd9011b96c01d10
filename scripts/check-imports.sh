#!/usr/bin/env bash
# The shipped program is one file that imports only system DLLs.
exe="$1"
allowed='^(rasapi32|wininet|shell32|user32|gdi32|comctl32|kernel32|advapi32|ws2_32|msvcrt|api-ms-win-crt-[a-z0-9-]+)\.dll$'
dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ {print tolower($3)}')
echo "$dlls"
bad=$(echo "$dlls" | grep -vE "$allowed" || true)
if [ -n "$bad" ]; then echo "unexpected imports: $bad"; exit 1; fi
