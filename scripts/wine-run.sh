#!/usr/bin/env bash
# CTest's emulator for the Win32 test programs: runs one under Wine in the shared prefix.
source "$(dirname "$0")/wine-env.sh"
qv_display_works && [ -f "$WINEPREFIX/.qv-ready" ] || wine_env_start
exec wine "$@"
