#!/usr/bin/env bash
# CTest's emulator for the Win32 test programs: runs one under Wine in the shared prefix.
source "$(dirname "$0")/wine-env.sh"
qv_display_works && [ -f "$WINEPREFIX/.qv-ready" ] || wine_env_start
# Wine's helper processes (desktop, services) started by the first program inherit its
# output; through a file, they cannot keep CTest's pipe open after the test has ended.
out=$(mktemp)
wine "$@" >"$out" 2>&1
status=$?
cat "$out"
rm -f "$out"
exit $status
