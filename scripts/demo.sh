#!/usr/bin/env bash
# Runs Quorvane under Wine against the simulated ISP (echo page on 127.0.0.1).
#   scripts/demo.sh <had_display 0|1>
# With a display (1) it waits until you close the program. Without one (0) it waits for the
# window, saves a screenshot of it, prints its path and closes everything. Either way it
# leaves no process behind. QV_BUILD_DIR (default build/win64) and QV_ISP_PORT may be set.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$(pwd)"
had_display="${1:-0}"
bin="$root/${QV_BUILD_DIR:-build/win64}/bin"
demo="$root/build/demo"
logs="$root/build/demo-logs"
screenshot="$root/build/demo-screenshot.png"

source scripts/wine-env.sh
source scripts/sim-env.sh
wine_env_start

for f in Quorvane.exe rasapi32.dll isp.exe ispctl.exe; do
    [ -f "$bin/$f" ] || { echo "demo: $bin/$f is missing; build the win64 preset first" >&2; exit 1; }
done
mkdir -p "$demo" "$logs"
app_pid=""

# Waits up to $1 seconds for process $2 to end.
wait_gone() {
    local deadline=$((SECONDS + $1))
    while kill -0 "$2" 2>/dev/null; do
        ((SECONDS < deadline)) || return 1
        sleep 0.2
    done
}

cleanup() {
    set +e
    if [ -n "$app_pid" ] && kill -0 "$app_pid" 2>/dev/null; then
        wine taskkill /im Quorvane.exe >/dev/null 2>&1
        wait_gone 10 "$app_pid" || { wine taskkill /f /im Quorvane.exe >/dev/null 2>&1; kill "$app_pid" 2>/dev/null; }
    fi
    qv_isp_stop
    # The persistent Wine server (and the virtual display, if one was started) go too.
    wine_env_stop
}
trap cleanup EXIT
trap 'exit 130' INT TERM

qv_isp_start "$bin" "$logs"
ispctl() { qv_ispctl "$@" 2>>"$logs/ispctl.log"; }

# A pleasant line: three phonebook entries, the demo account, a few addresses, a little
# time for dialling and hanging up, and already online through the first entry.
ispctl reset
ispctl entries 宽带连接 电信ADSL 联通宽带
ispctl credentials demo@adsl 123456
ispctl delays 1500 300
ispctl pool 203.0.113.10 203.0.113.25 203.0.113.47 203.0.113.86 203.0.113.121
ispctl external 宽带连接 >/dev/null

cp "$bin/Quorvane.exe" "$bin/rasapi32.dll" "$demo/"
qv_write_config "$demo/Config.ini" 0 demo@adsl 123456

echo "demo: simulated ISP at $QV_ISP_URL; account demo@adsl, password 123456"
echo "demo: change the line while it runs with: wine $bin/ispctl.exe help"
wine "$demo/Quorvane.exe" >"$logs/quorvane.log" 2>&1 &
app_pid=$!

if [ "$had_display" = 1 ]; then
    wait "$app_pid" || true
    app_pid=""
    exit 0
fi

# No display of its own: wait for the window and its two echo-page lookups, then take the
# picture of the window itself, title bar included.
deadline=$((SECONDS + 60))
until window=$(xdotool search --name "QuorvaneV1.0" 2>/dev/null | head -1) && [ -n "$window" ]; do
    if ((SECONDS >= deadline)) || ! kill -0 "$app_pid" 2>/dev/null; then
        echo "demo: the Quorvane window did not appear (see $logs/quorvane.log)" >&2
        exit 1
    fi
    sleep 0.5
done
deadline=$((SECONDS + 20))
until ispctl page 2>/dev/null | grep -Eq 'fetched ([2-9]|[1-9][0-9]+) times'; do
    ((SECONDS < deadline)) || break
    sleep 0.5
done
sleep 1  # let the window finish painting
# xwininfo's absolute position (xdotool's doubles it for the virtual desktop's children).
geometry=$(xwininfo -id "$window" | sed -n 's/^ *-geometry \([0-9x+-]*\).*/\1/p')
import -window root -crop "$geometry" +repage "$screenshot"
echo "demo: screenshot saved to $screenshot"
