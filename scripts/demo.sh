#!/usr/bin/env bash
# Runs Quorvane under Wine against the simulated ISP (echo page on 127.0.0.1).
#   scripts/demo.sh <had_display 0|1>
# With a display (1) it waits until you close the program. Without one (0) it waits for the
# window, saves a screenshot, prints its path and closes everything. Either way it leaves no
# process behind. QV_BUILD_DIR (default build/win64) and QV_ISP_PORT (default 18931) may be set.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$(pwd)"
had_display="${1:-0}"
build="${QV_BUILD_DIR:-build/win64}"
bin="$root/$build/bin"
demo="$root/build/demo"
logs="$root/build/demo-logs"
screenshot="$root/build/demo-screenshot.png"

source scripts/wine-env.sh
wine_env_start

for f in Quorvane.exe rasapi32.dll isp.exe ispctl.exe; do
    [ -f "$bin/$f" ] || { echo "demo: $bin/$f is missing; build the win64 preset first" >&2; exit 1; }
done
mkdir -p "$demo" "$logs"

isp_pid=""
app_pid=""

ispctl() { wine "$bin/ispctl.exe" "$@" 2>>"$logs/ispctl.log"; }

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
    if [ -n "$isp_pid" ] && kill -0 "$isp_pid" 2>/dev/null; then
        ispctl stop >/dev/null
        wait_gone 10 "$isp_pid" || kill "$isp_pid" 2>/dev/null
    fi
    # The persistent Wine server (and the virtual display, if one was started) go too.
    wine_env_stop
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The ISP: the first free port from QV_ISP_PORT on. Output goes to files, never to a pipe:
# Wine's background processes would inherit it and keep it open.
port="${QV_ISP_PORT:-18931}"
for attempt in $(seq 10); do
    wine "$bin/isp.exe" --port "$port" >"$logs/isp.log" 2>&1 &
    isp_pid=$!
    ready=0 deadline=$((SECONDS + 20))
    while ((SECONDS < deadline)) && kill -0 "$isp_pid" 2>/dev/null; do
        if grep -q "echo page at" "$logs/isp.log" 2>/dev/null; then ready=1; break; fi
        sleep 0.2
    done
    ((ready)) && break
    kill "$isp_pid" 2>/dev/null || true  # a port already taken: try the next one
    wait_gone 5 "$isp_pid" || true
    isp_pid=""
    port=$((port + 1))
done
[ -n "$isp_pid" ] || { echo "demo: the simulated ISP did not start (see $logs/isp.log)" >&2; exit 1; }
echo_url="http://127.0.0.1:$port/ic.asp"

# A pleasant line: three phonebook entries, the demo account, a few addresses, a little
# time for dialling and hanging up, and already online through the first entry.
ispctl reset
ispctl entries 宽带连接 电信ADSL 联通宽带
ispctl credentials demo@adsl 123456
ispctl delays 1500 300
ispctl pool 203.0.113.10 203.0.113.25 203.0.113.47 203.0.113.86 203.0.113.121
ispctl external 宽带连接 >/dev/null

cp "$bin/Quorvane.exe" "$bin/rasapi32.dll" "$demo/"
printf '[宽带信息]\r\n连接索引=0\r\nADSL账号=demo@adsl\r\nADSL密码=123456\r\n[高级设置]\r\nIP查询地址=%s\r\n' "$echo_url" |
    iconv -f UTF-8 -t GBK >"$demo/Config.ini"

echo "demo: simulated ISP at $echo_url; account demo@adsl, password 123456"
echo "demo: change the line while it runs with: wine $bin/ispctl.exe help"
wine "$demo/Quorvane.exe" >"$logs/quorvane.log" 2>&1 &
app_pid=$!

if [ "$had_display" = 1 ]; then
    wait "$app_pid" || true
    app_pid=""
    exit 0
fi

# No display of its own: wait for the window and its two echo-page lookups, then take the picture.
deadline=$((SECONDS + 60))
until xdotool search --name "QuorvaneV1.0" >/dev/null 2>&1; do
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
import -window root "$screenshot"
echo "demo: screenshot saved to $screenshot"
