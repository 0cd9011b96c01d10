#!/usr/bin/env bash
# Builds the fuzz preset and runs every tests/fuzz/<name>_fuzz target over its seed corpus (and
# its token dictionary, where it has one) for a bounded time, by default 15 s each, as many at
# once as there are cores. Inputs the fuzzer finds go to a temporary directory, never to the
# repository; any finding fails the run and its input is left there, path printed.
# Usage: scripts/fuzz.sh [seconds-per-target]
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-15}
case $seconds in '' | *[!0-9]*) echo "usage: $0 [seconds-per-target]"; exit 2 ;; esac

cmake --preset fuzz >/dev/null || exit 1
cmake --build --preset fuzz -j2 >/dev/null || { echo "build of fuzz failed"; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/qv-fuzz.XXXXXX")
# One target: its verdict in $work/<name>.result, its first line "ok" or "FAILED".
fuzz_one() {
    local name=$1 corpus=tests/fuzz/corpus/$1 log=$work/$1.log status runs cov finding
    if [ ! -d "$corpus" ]; then
        echo "FAILED (no seed corpus in $corpus)" >"$work/$name.result"
        return
    fi
    mkdir -p "$work/$name/new"
    local options=()
    [ -f "tests/fuzz/dict/$name.dict" ] && options+=(-dict="tests/fuzz/dict/$name.dict")
    # The first directory receives new inputs; the seeds are only read.
    build/fuzz/${name}_fuzz -max_total_time="$seconds" -max_len=4096 -timeout=10 \
        -rss_limit_mb=1024 -malloc_limit_mb=512 -print_final_stats=1 \
        "${options[@]}" -artifact_prefix="$work/$name/" "$work/$name/new" "$corpus" >"$log" 2>&1
    status=$?
    runs=$(grep -oE 'stat::number_of_executed_units: *[0-9]+' "$log" | grep -oE '[0-9]+$')
    cov=$(grep -oE 'cov: [0-9]+' "$log" | tail -1)
    finding=$(find "$work/$name" -maxdepth 1 -type f \
        \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) | head -1)
    if [ "$status" = 0 ] && [ -z "$finding" ]; then
        echo "ok (${runs:-?} runs, ${cov:-cov: ?})" >"$work/$name.result"
    else
        {
            echo "FAILED (exit $status) input: ${finding:-none saved} log: $log"
            grep -m3 -E 'ERROR|check failed|runtime error' "$log" | sed 's/^/    /'
        } >"$work/$name.result"
    fi
}

# Each target is one process on one core: as many run at once as there are cores.
names=()
for source in tests/fuzz/*_fuzz.cpp; do
    names+=("$(basename "$source" _fuzz.cpp)")
    while [ "$(jobs -rp | wc -l)" -ge "$(nproc)" ]; do wait -n; done
    fuzz_one "${names[-1]}" &
done
wait
passed=0 failed=0
for name in "${names[@]}"; do
    result=$(cat "$work/$name.result" 2>/dev/null || echo "FAILED (no verdict)")
    echo "$name: $result"
    case $result in ok*) passed=$((passed + 1)) ;; *) failed=$((failed + 1)) ;; esac
done
[ "$failed" = 0 ] && rm -rf "$work"
echo "fuzz: $passed passed, $failed failed"
[ "$failed" = 0 ]
