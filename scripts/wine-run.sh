#!/usr/bin/env bash
# CTest's emulator for the Win32 test programs: runs one under Wine in the shared prefix.
# Run by CTest with Wine slots (scripts/test.sh), it takes the prefix and display of the slot
# CTest gave it: CTEST_RESOURCE_GROUP_0_WINE is "id:<slot>,slots:1".
if [ -n "${CTEST_RESOURCE_GROUP_0_WINE:-}" ]; then
    slot=${CTEST_RESOURCE_GROUP_0_WINE#id:}
    slot=${slot%%,*}
    display_var="QV_SLOT${slot}_DISPLAY" prefix_var="QV_SLOT${slot}_PREFIX"
    if [ -n "${!display_var:-}" ] && [ -n "${!prefix_var:-}" ]; then
        export DISPLAY="${!display_var}" QV_WINEPREFIX="${!prefix_var}"
    fi
fi
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
