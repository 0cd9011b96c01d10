#!/usr/bin/env bash
# Measures Quorvane under Wine against the simulated ISP and prints a table; the table and the
# command that made it replace the measured part of docs/benchmarks.md. Every figure stands
# beside its reference, measured in the same run under the same Wine. Start-up has two: the
# bare window, and the plain form (Quorvane's units as the system's own controls, no code of
# ours), which tells Wine's price for the form's windows from the program's own. A script that
# measures, never a timed test.
#   scripts/bench.sh          (QV_BENCH_STARTS: starts per program, default 9;
#                              QV_BENCH_REDIALS: redials before the memory reading, default 50)
set -euo pipefail
cd "$(dirname "$0")/.."
export PATH="/usr/sbin:/usr/bin:/sbin:/bin:$PATH"  # Debian's tools first
starts="${QV_BENCH_STARTS:-9}"
redials="${QV_BENCH_REDIALS:-50}"
connect_ms=500 hangup_ms=300

scripts/install-deps.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j2 --target Quorvane sim_all qv_bench qv_bare_window qv_bare_form \
    >/dev/null
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j2 --target Quorvane >/dev/null
scripts/release.sh >/dev/null

source scripts/wine-env.sh
source scripts/sim-env.sh
wine_env_start
bin="$PWD/build/win64/bin"
work="$PWD/build/bench"
app_pid=""
cleanup() {
    set +e
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
    qv_isp_stop
    wine_env_stop
}
trap cleanup EXIT

rm -rf "$work/run" && mkdir -p "$work/run"
cp "$bin/Quorvane.exe" "$bin/rasapi32.dll" "$bin/qv_bare_window.exe" "$bin/qv_bare_form.exe" \
    "$work/run/"
qv_isp_start "$bin" "$work"
qv_ispctl reset >/dev/null
qv_ispctl entries 宽带连接 >/dev/null
qv_ispctl pool 203.0.113.10 203.0.113.25 203.0.113.47 >/dev/null
qv_ispctl external 宽带连接 >/dev/null
qv_write_config "$work/run/Config.ini" 0 demo demo
run_dir=$(winepath -w "$work/run")
bench() { wine "$bin/qv_bench.exe" "$@" | tr -d '\r'; }
median() { sort -n | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
rss_kb() { sed -n 's/^VmRSS:[[:space:]]*\([0-9]*\).*/\1/p' "/proc/$1/status"; }

# 1. Start-up to first paint and to ready, two ways, the three programs taking turns (one start
# of each first, not counted). From inside Wine: qv_bench starts the program and watches it, each
# line "startup <first paint ms> <ready ms>". From Linux, as a person's shortcut starts it: the
# watch runs first, `wine <exe>` is launched from here and timed from this side's clock, each
# line "<first paint ms> <ready ms>".
launch() {  # exe class
    local out="$work/watch.txt" t0
    : >"$out"
    wine "$bin/qv_bench.exe" watch "$2" >"$out" 2>/dev/null &
    local watch=$!
    while ! grep -q watching "$out"; do sleep 0.01; done
    sleep 0.2  # the watch's own start-up is over
    t0=$(date +%s%3N)
    wine "$1" >/dev/null 2>&1 &
    wait "$watch" || true
    tr -d '\r' <"$out" | awk -v t0="$t0" '/^watch / {printf "%.1f %.1f\n", ($2 < 0 ? -1 : $2 - t0), ($3 < 0 ? -1 : $3 - t0)}'
}
programs=("bare qv_bare_window.exe QvBareWindow" "form qv_bare_form.exe QvBareForm"
    "qv Quorvane.exe QuorvaneMainWindow")
for program in "${programs[@]}"; do
    read -r name exe class <<<"$program"
    bench startup "$run_dir\\$exe" "$class" 1 >/dev/null
    : >"$work/startup-$name.txt" && : >"$work/launch-$name.txt"
done
for _ in $(seq "$starts"); do
    for program in "${programs[@]}"; do
        read -r name exe class <<<"$program"
        bench startup "$run_dir\\$exe" "$class" 1 >>"$work/startup-$name.txt"
    done
done
for _ in $(seq "$starts"); do
    for program in "${programs[@]}"; do
        read -r name exe class <<<"$program"
        launch "$work/run/$exe" "$class" | sed 's/^/launch /' >>"$work/launch-$name.txt"
    done
done
if awk '$2 < 0 || $3 < 0 {bad = 1} END {exit !bad}' "$work"/startup-*.txt "$work"/launch-*.txt ||
    [ "$(wc -l <"$work/launch-qv.txt")" -ne "$starts" ]; then
    echo "bench: a start was never painted or never ready (see $work/startup-*.txt, launch-*.txt)" >&2
    exit 1
fi
figure() { awk -v column="$2" '{print $column}' "$work/$1.txt" | median; }

# Resident memory of the bare program once ready.
wine "$work/run/qv_bare_window.exe" >/dev/null 2>&1 &
bare_pid=$!
bench wait-ready QvBareWindow
sleep 1
bare_rss=$(rss_kb "$bare_pid")
kill "$bare_pid" 2>/dev/null; wait "$bare_pid" 2>/dev/null || true

# 2 to 4. One running program: redial overhead, processor share, memory.
# Started by its Windows path: the driver finds the program's processor time under that name.
wine "$run_dir\\Quorvane.exe" >/dev/null 2>&1 &
app_pid=$!
bench wait-ready QuorvaneMainWindow
sleep 1
qv_rss_started=$(rss_kb "$app_pid")
qv_ispctl delays "$connect_ms" "$hangup_ms" >/dev/null
bench redial 7 >"$work/redial.txt"
redial_ms=$(awk '/^redial/ {print $2}' "$work/redial.txt" | median)
overhead_ms=$(awk -v w="$redial_ms" -v c="$connect_ms" -v h="$hangup_ms" 'BEGIN {printf "%.0f", w - c - h - 1000}')
qv_ispctl delays 0 2000 >/dev/null
bench redial 3 >"$work/redial-cpu.txt"
cpu_share=$(awk '/^redial/ {wall += $2; cpu += $3} END {printf "%.3f", cpu / wall}' "$work/redial-cpu.txt")
cpu_wall=$(awk '/^redial/ {wall += $2; n++} END {printf "%.0f", wall / n}' "$work/redial-cpu.txt")
qv_ispctl delays 0 0 >/dev/null
bench redial "$redials" >/dev/null
sleep 1
qv_rss_redialled=$(rss_kb "$app_pid")
kill "$app_pid" 2>/dev/null; wait "$app_pid" 2>/dev/null || true
app_pid=""

kb() { echo $((($(stat -c %s "$1") + 1023) / 1024)); }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }
# One start-up row: Quorvane's median, beside the bare window's and the plain form's.
startup_row() {  # label way column goal
    local qv bare form
    qv=$(figure "$2-qv" "$3") bare=$(figure "$2-bare" "$3") form=$(figure "$2-form" "$3")
    echo "| $1 | $qv ms | bare window: $bare ms (ratio $(ratio "$qv" "$bare")); plain form: $form ms ($(ratio "$form" "$bare") of the bare window; Quorvane $(ratio "$qv" "$form") of it) | $4 |"
}
table=$(cat <<TABLE
| figure | Quorvane | reference | goal |
|---|---|---|---|
$(startup_row "start-up to first paint, started inside Wine (median of $starts starts)" startup 2 "at most 1.3 times")
$(startup_row "start-up to ready, started inside Wine (median of $starts starts)" startup 3 "at most 1.6 times")
$(startup_row "start-up to first paint, \`wine <exe>\` launched from Linux (median of $starts)" launch 2 "at most 1.3 times")
$(startup_row "start-up to ready, \`wine <exe>\` launched from Linux (median of $starts)" launch 3 "at most 1.6 times")
| redial overhead (median of 7; wall time less connect $connect_ms ms, hang-up $hangup_ms ms and the 1000 ms pause) | $overhead_ms ms | wall time $redial_ms ms | |
| processor time during a redial with a 2 s hang-up (3 redials, about $cpu_wall ms each) | $cpu_share of wall time | a spinning pause: about 1000 / $cpu_wall = $(awk -v w="$cpu_wall" 'BEGIN {printf "%.2f", 1000 / w}') | below 0.05 |
| exe size, 64-bit (as built, tested and released) | $(kb build/win64/bin/Quorvane.exe) KB | | under 1 MB |
| exe size, 32-bit (as built and released) | $(kb build/win32/bin/Quorvane.exe) KB | | under 1 MB |
| resident memory after start-up | $qv_rss_started KB | bare window: $bare_rss KB | |
| resident memory after $redials more redials | $qv_rss_redialled KB | after start-up: $qv_rss_started KB | |
TABLE
)
echo "$table"

machine="$(nproc) cores, $(wine --version), $(date -u +%Y-%m-%d)"
doc=docs/benchmarks.md
printf 'Measured with `scripts/bench.sh` (QV_BENCH_STARTS=%s, QV_BENCH_REDIALS=%s) on %s:\n\n%s\n' \
    "$starts" "$redials" "$machine" "$table" | scripts/doc_section.py "$doc" bench
echo "bench: written to $doc"
