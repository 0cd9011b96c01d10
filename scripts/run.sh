#!/usr/bin/env bash
# Builds Quorvane and starts it under Wine against the simulated ISP. Without a display it
# runs on a virtual one and saves a screenshot (path printed at the end).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j2
source scripts/wine-env.sh
had_display=0; qv_display_works && had_display=1
wine_env_start
exec scripts/demo.sh "$had_display"
