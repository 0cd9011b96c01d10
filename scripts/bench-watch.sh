#!/usr/bin/env bash
# The processor time the program spends with the line up and nothing to do, over a span
# (default 30 s), without the line watch and with it (掉线重拔=1): the program's own and the
# Wine server's, which every wait of the watch goes through. Prints one line for each.
# Usage: scripts/bench-watch.sh [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
case $seconds in '' | *[!0-9]*) echo "usage: $0 [seconds]"; exit 2 ;; esac
source scripts/wine-env.sh
source scripts/sim-env.sh
bin=build/win64/bin
[ -x "$bin/Quorvane.exe" ] || { echo "build the win64 preset first"; exit 1; }
wine_env_start
work=$(mktemp -d "$PWD/build/bench-watch.XXXXXX")
app_pid=""
cleanup() {
    set +e  # every step of the clean-up runs, whichever fails
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
    qv_isp_stop
    wine_env_stop
}
trap cleanup EXIT
mkdir -p "$work/run"
cp "$bin/Quorvane.exe" "$bin/rasapi32.dll" "$work/run/"
qv_isp_start "$bin" "$work"
qv_ispctl reset >/dev/null
qv_ispctl entries 宽带连接 >/dev/null

ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
# The server of this prefix: each prefix has its own.
server_pid() {
    local p
    for p in /proc/[0-9]*; do
        case "$(cat "$p/comm" 2>/dev/null)" in wineserver*) ;; *) continue ;; esac
        tr '\0' '\n' <"$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" &&
            { echo "${p#/proc/}"; return; }
    done
}
run_dir=$(winepath -w "$work/run")

for watch in 0 1; do
    qv_ispctl clear-connections >/dev/null
    qv_ispctl external 宽带连接 >/dev/null
    qv_write_config "$work/run/Config.ini" 0 demo 123456
    printf '[线路保持]\r\n掉线重拔=%s\r\n' "$watch" | iconv -f UTF-8 -t GBK >>"$work/run/Config.ini"
    wine "$run_dir\\Quorvane.exe" >/dev/null 2>&1 &
    app_pid=$!
    sleep 5  # start-up done
    server=$(server_pid)
    app0=$(ticks "$app_pid") server0=$(ticks "$server")
    sleep "$seconds"
    app1=$(ticks "$app_pid") server1=$(ticks "$server")
    hz=$(getconf CLK_TCK)
    awk -v w="$watch" -v a=$((app1 - app0)) -v s=$((server1 - server0)) -v hz="$hz" -v n="$seconds" \
        'BEGIN {printf "watch %s: program %d ms, Wine server %d ms of processor time in %d s\n", (w ? "on " : "off"), a * 1000 / hz, s * 1000 / hz, n}'
    kill "$app_pid" 2>/dev/null; wait "$app_pid" 2>/dev/null || true
    app_pid=""
done
