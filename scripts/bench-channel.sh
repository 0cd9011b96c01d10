#!/usr/bin/env bash
# The time from a controller's RPUSH to the node's answer in its reply key, through a real
# redis-server and the real program under Wine against the simulated ISP: a status (N times,
# default 100; median and 99th percentile) and a redial (5 times; median). Prints the figures.
# Usage: scripts/bench-channel.sh [N]
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-100}
case $count in '' | *[!0-9]*) echo "usage: $0 [N]"; exit 2 ;; esac
source scripts/wine-env.sh
source scripts/sim-env.sh
bin=build/win64/bin
[ -x "$bin/Quorvane.exe" ] || { echo "build the win64 preset first"; exit 1; }
wine_env_start
work=$(mktemp -d "$PWD/build/bench-channel.XXXXXX")
redis_port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
app_pid="" redis_pid=""
cleanup() {
    set +e  # every step of the clean-up runs, whichever fails
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
    [ -n "$redis_pid" ] && kill "$redis_pid" 2>/dev/null
    qv_isp_stop
    wine_env_stop
}
trap cleanup EXIT
redis-server --port "$redis_port" --bind 127.0.0.1 --save "" --appendonly no \
    --logfile /dev/null >/dev/null &
redis_pid=$!
mkdir -p "$work/run"
cp "$bin/Quorvane.exe" "$bin/rasapi32.dll" "$work/run/"
qv_isp_start "$bin" "$work"
qv_ispctl reset >/dev/null
qv_ispctl entries 宽带连接 >/dev/null
qv_ispctl external 宽带连接 >/dev/null
qv_write_config "$work/run/Config.ini" 0 demo 123456
printf '[代理池]\r\n地址=127.0.0.1:%s\r\n节点=bench\r\n端口=3128\r\n允许网段=203.0.113.0/24\r\n命令=1\r\n' \
    "$redis_port" | iconv -f UTF-8 -t GBK >>"$work/run/Config.ini"
wine "$(winepath -w "$work/run")\\Quorvane.exe" >/dev/null 2>&1 &
app_pid=$!

python3 - "$redis_port" "$count" <<'PY'
import json, socket, statistics, sys, time

port, count = int(sys.argv[1]), int(sys.argv[2])
link = socket.create_connection(("127.0.0.1", port))
stream = link.makefile("rb")

def call(*args):
    link.sendall(b"".join([b"*%d\r\n" % len(args)] +
                          [b"$%d\r\n%s\r\n" % (len(a.encode()), a.encode()) for a in args]))
    return read()

def read():
    line = stream.readline()[:-2]
    kind, rest = line[:1], line[1:]
    if kind == b"$":
        return None if rest == b"-1" else stream.read(int(rest) + 2)[:-2].decode()
    if kind == b"*":
        return None if rest == b"-1" else [read() for _ in range(int(rest))]
    return rest.decode()

def command(verb, wait=60):
    ident = "b%d" % time.monotonic_ns()
    start = time.perf_counter()
    call("RPUSH", "adsl:cmd:bench", json.dumps({"id": ident, "command": verb}))
    answer = call("BLPOP", "adsl:reply:" + ident, str(wait))
    elapsed = (time.perf_counter() - start) * 1000
    if answer is None:
        sys.exit("bench: no answer to " + verb)
    return elapsed, json.loads(answer[1])

deadline = time.time() + 60  # the program's start-up and its channel's first connection
while True:
    try:
        command("status", 2)
        break
    except SystemExit:
        if time.time() > deadline:
            raise
command("dial")
statuses = sorted(command("status")[0] for _ in range(count))
p99 = statuses[min(len(statuses) - 1, round(0.99 * len(statuses)) - 1)]
print("status: median %.1f ms, 99th percentile %.1f ms (%d)" %
      (statistics.median(statuses), p99, count))
redials = [command("redial") for _ in range(5)]
assert all(outcome["ok"] for _, outcome in redials), redials
print("redial: median %.0f ms, wall time of the redial itself %.0f ms (5)" %
      (statistics.median(t for t, _ in redials), statistics.median(o["seconds"] * 1000 for _, o in redials)))
PY
