#!/usr/bin/env bash
# Starts Quorvane under Wine on a private virtual display, against the simulated ISP with a
# dial-up connection already up, and saves the main window as docs/main-window.png (the
# status bar then shows the connection state and the echo page's address).
#   scripts/screenshot.sh [OUTPUT.png]      (QV_BUILD: the win64 build, default build/win64)
set -euo pipefail
cd "$(dirname "$0")/.."
export PATH="/usr/sbin:/usr/bin:/sbin:/bin:$PATH"  # Debian's tools first
root=$PWD
out="${1:-docs/main-window.png}"
build="${QV_BUILD:-build/win64}"
work="$root/build/screenshot"
entry="宽带连接"
address="10.64.23.5"

if [ ! -x "$build/bin/Quorvane.exe" ] || [ ! -x "$build/bin/isp.exe" ]; then
    cmake --preset win64 -B "$build" >/dev/null
    cmake --build "$build" -j2 --target Quorvane sim_all
fi

# A prefix and display of its own: a running wineserver draws on the display it started with.
export QV_WINEPREFIX="$work/wineprefix"
unset DISPLAY
source scripts/wine-env.sh
source scripts/sim-env.sh
wine_env_start
cleanup() {
    qv_isp_stop
    wine_env_stop
}
trap cleanup EXIT

# The program runs from a folder of its own, with its Config.ini pointing at the ISP's page.
rm -rf "$work/run" && mkdir -p "$work/run"
cp "$build/bin/Quorvane.exe" "$build/bin/rasapi32.dll" "$work/run/"
qv_isp_start "$root/$build/bin" "$work"
ctl() { qv_ispctl "$@"; }
ctl reset >/dev/null
ctl entries "$entry" >/dev/null
ctl external "$entry" "$address" >/dev/null
qv_write_config "$work/run/Config.ini" 0 demo demo

wine "$work/run/Quorvane.exe" >"$work/quorvane.log" 2>&1 &

# The window is centred on the 1280 x 1024 desktop; its texts are in once the start-up has
# looked the address up twice and the picture stops changing.
geometry="505x167+$(((1280 - 505) / 2))+$(((1024 - 167) / 2))"
shot() { import -display "$DISPLAY" -window root -crop "$geometry" +repage -strip "$1"; }
fetches() { ctl page | tr -d '\r' | sed -nE 's/.*fetched ([0-9]+) times.*/\1/p'; }
deadline=$((SECONDS + 60))
until [ "$(fetches)" -ge 2 ] 2>/dev/null; do
    [ $SECONDS -lt $deadline ] || { echo "Quorvane did not look the address up" >&2; exit 1; }
    sleep 0.5
done
shot "$work/a.png"
while :; do
    sleep 0.5
    shot "$work/b.png"
    cmp -s "$work/a.png" "$work/b.png" && break
    [ $SECONDS -lt $deadline ] || { echo "the window did not settle" >&2; exit 1; }
    mv "$work/b.png" "$work/a.png"
done
mkdir -p "$(dirname "$out")"
mv "$work/b.png" "$out"
echo "saved $out"
