#!/usr/bin/env bash
# Prints the lines of test code (tests/, the simulated ISP, the benchmarks) against the lines of
# the program (src/), and their share.
cd "$(dirname "$0")/.."
lines() { find "$@" -type f \( -name '*.cpp' -o -name '*.h' \) -print0 | xargs -0 cat | wc -l; }
code=$(lines src) tests=$(lines tests) infra=$(lines sim bench)
awk -v c="$code" -v t="$tests" -v i="$infra" 'BEGIN {
    printf "lines: src %d, tests %d (%.2f of src), simulator and benchmarks %d (%.2f with tests)\n",
        c, t, t / c, i, (t + i) / c }'
