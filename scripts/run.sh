#!/usr/bin/env bash
# Builds Quorvane and the simulated ISP (nothing else) and starts the program under Wine
# against the simulated ISP. Without a display it runs on a virtual one and saves a screenshot
# of the window (path printed at the end).
set -euo pipefail
cd "$(dirname "$0")/.."
export PATH="/usr/sbin:/usr/bin:/sbin:/bin:$PATH"  # Debian's tools first
scripts/install-deps.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j2 --target Quorvane sim_all
source scripts/wine-env.sh
had_display=0; qv_display_works && had_display=1
wine_env_start
exec scripts/demo.sh "$had_display"
