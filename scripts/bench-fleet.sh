#!/usr/bin/env bash
# The fleet on one machine: QV_FLEET_NODES nodes (default 50) of the portable core against one
# redis-server of its own on a free loopback port, QV_FLEET_SECONDS (default 120) per run,
# once without 同时重拔 and 不重复分钟 and once with QV_FLEET_LIMIT (default 4) and
# QV_FLEET_MINUTES (default 1). The table replaces the fleet part of docs/benchmarks.md.
set -euo pipefail
cd "$(dirname "$0")/.."
export PATH="/usr/sbin:/usr/bin:/sbin:/bin:$PATH"
nodes="${QV_FLEET_NODES:-50}" seconds="${QV_FLEET_SECONDS:-120}"
limit="${QV_FLEET_LIMIT:-4}" minutes="${QV_FLEET_MINUTES:-1}"

scripts/install-deps.sh
cmake --preset native >/dev/null
cmake --build --preset native -j2 --target fleet_sim >/dev/null

port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
redis-server --port "$port" --bind 127.0.0.1 --save '' --appendonly no --logfile /dev/null &
redis_pid=$!
trap 'kill "$redis_pid" 2>/dev/null; wait "$redis_pid" 2>/dev/null || true' EXIT
for _ in $(seq 50); do
    redis-cli -p "$port" ping >/dev/null 2>&1 && break
    sleep 0.1
done

# The program's texts are GBK, as in the shipped program.
table=$(build/native/fleet_sim "$port" "$nodes" "$seconds" "$limit" "$minutes" | iconv -f GBK -t UTF-8)
echo "$table"

doc=docs/benchmarks.md
printf 'Measured with `scripts/bench-fleet.sh` on %s cores, %s, %s\n\n%s\n' \
    "$(nproc)" "redis-server $(redis-server --version | sed -n 's/.*v=\([^ ]*\).*/\1/p')" \
    "$(date -u +%Y-%m-%d):" "$table" | scripts/doc_section.py "$doc" fleet "A fleet on one machine"
echo "bench-fleet: written to $doc"
