#!/usr/bin/env bash
# The shipped program is one file that imports only system DLLs: those in its import table and
# those it loads on first use (dlltool's delay-load descriptors, which objdump does not list,
# name their DLL as a string). The one other DLL name in the file is libgcc's probe for its own
# DLL, which only asks whether that is loaded and never loads it.
exe="$1"
allowed='^(rasapi32|wininet|shell32|user32|gdi32|comctl32|kernel32|advapi32|ws2_32|msvcrt|api-ms-win-crt-[a-z0-9-]+)\.dll$'
probe='^libgcc_s_[a-z0-9_-]+\.dll$'
imported=$(x86_64-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ {print tolower($3)}')
named=$(strings -a "$exe" | tr 'A-Z' 'a-z' | grep -E '^[a-z0-9_.-]+\.dll$' | grep -vE "$probe" | sort -u)
echo "$imported"
echo "loaded on first use: $(comm -23 <(echo "$named") <(echo "$imported" | sort -u) | tr '\n' ' ')"
bad=$(printf '%s\n%s\n' "$imported" "$named" | grep -vE "$allowed" | sort -u || true)
if [ -n "$bad" ]; then echo "unexpected imports: $bad"; exit 1; fi
