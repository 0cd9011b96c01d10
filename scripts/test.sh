#!/usr/bin/env bash
# Builds every target (native, win64, win32) and runs every test: the native suite under
# ASan/UBSan, then the Win32 and end-to-end suites under Wine on a virtual display.
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh || exit 1
for preset in native win64 win32; do
    cmake --preset "$preset" >/dev/null || exit 1
    cmake --build --preset "$preset" -j2 || { echo "build of $preset failed"; exit 1; }
done

source scripts/wine-env.sh
wine_env_start
trap wine_env_stop EXIT

passed=0 failed=0 status=0
for preset in native win64; do
    log="build/ctest-$preset.log"
    ctest --preset "$preset" 2>&1 | tee "$log"
    [ "${PIPESTATUS[0]}" = 0 ] || status=1
    line=$(grep -E 'tests passed, [0-9]+ tests? failed out of' "$log" | tail -1)
    total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")
    bad=$(sed -E 's/.*passed, ([0-9]+) tests? failed.*/\1/' <<<"$line")
    passed=$((passed + ${total:-0} - ${bad:-0})); failed=$((failed + ${bad:-0}))
done
echo
echo "all: $passed passed, $failed failed"
exit $status
