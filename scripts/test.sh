#!/usr/bin/env bash
# Builds every target (native, win64, win32, the release archives) and runs every test: the
# Win32 and end-to-end suites under Wine on a virtual display and, beside those, the native suite
# under ASan/UBSan and the fuzz targets. Prints each step's seconds and closes with
# "all: N passed, N failed, N skipped".
# QV_FUZZ_SECONDS sets the fuzz budget per target (default 4; scripts/fuzz.sh 60 runs longer).
set -uo pipefail
cd "$(dirname "$0")/.."
export PATH="/usr/sbin:/usr/bin:/sbin:/bin:$PATH"  # Debian's tools first
scripts/install-deps.sh || exit 1
scripts/check-deps.py || { echo "the install step misses a package (above)"; exit 1; }

# One compiler cache for every clone of this project: paths below the checkout are hashed
# relative to it, so a fresh clone in another folder hits what the last one compiled.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=true CCACHE_MAXSIZE="${CCACHE_MAXSIZE:-5G}"

timings=()
step() {  # step NAME COMMAND...: runs it, notes its seconds, returns its status
    local name=$1 start=$SECONDS
    shift
    "$@"
    local rc=$?
    timings+=("$(printf '%-22s %4d s' "$name" $((SECONDS - start)))")
    return $rc
}
build() { cmake --preset "$1" >/dev/null && cmake --build --preset "$1" -j2; }

for preset in native win64; do
    step "build $preset" build "$preset" || { echo "build of $preset failed"; exit 1; }
done

# The Wine suite mostly waits (on dials, timers, other processes), so what needs no Wine runs
# beside it at the lowest priority, which takes only the processor time the suite leaves: the
# native suite, the 32-bit build and the fuzz run. Their output and seconds are shown after the
# Wine suite's. (The release archives wait for it: they configure and build the win64 preset,
# whose program the suite runs.)
fuzz() {
    scripts/fuzz.sh "${QV_FUZZ_SECONDS:-4}" >build/fuzz.log 2>&1
}
suite() {  # suite PRESET: its CTest run, with whole outputs in the report (the summary counts
    # the cases of each GoogleTest program)
    rm -f "build/ctest-$1.xml"
    ctest --preset "$1" --output-junit "$PWD/build/ctest-$1.xml" \
        --test-output-size-passed 4194304 --test-output-size-failed 4194304
}
beside_wine() {
    local rc=0
    step "tests native" suite native || rc=1
    if step "build win32" build win32 >build/win32.log 2>&1; then
        step "fuzz (build and run)" fuzz || rc=1
    else
        echo "build of win32 failed:"
        grep -E "error|FAILED" build/win32.log | head -20
        rc=1
    fi
    printf '%s\n' "${timings[@]}" >build/beside-wine.timings
    return $rc
}
mkdir -p build
rm -f build/beside-wine.timings build/fuzz.log build/win32.log
(
    renice -n 19 -p $BASHPID >/dev/null
    timings=()
    beside_wine
) >build/beside-wine.log 2>&1 &
beside_pid=$!

# The Wine suite in two slots side by side, each with a prefix, a wineserver and a display of its
# own: the programs' single-instance marks, registered function keys and focus belong to one
# server and one display. Slot 1 takes the programs named below (about half the suite's time),
# slot 2 every other, so a new test program runs too.
slot1_tests='^(e2e[.](commands|command_line|fleet|keep_line|http_control)_e2e_test|wine[.](form|link_box|hotkey_service|ras_service|sim_ras_api|sim_isp|status_bar|message_box|clock|program_exit)_test)$'
wine_slot() {  # wine_slot N CTEST-ARGS...: one slot's CTest run, its report build/ctest-win64-N.xml
    local slot=$1
    shift
    (
        export QV_WINEPREFIX="$PWD/build/wineprefix$([ "$slot" = 1 ] || echo "-$slot")"
        unset DISPLAY QV_XVFB_PID
        source scripts/wine-env.sh
        wine_env_start || exit 1
        trap wine_env_stop EXIT
        rm -f "build/ctest-win64-$slot.xml"
        ctest --preset win64 "$@" --output-junit "$PWD/build/ctest-win64-$slot.xml" \
            --test-output-size-passed 4194304 --test-output-size-failed 4194304
    ) >"build/wine-slot-$slot.log" 2>&1
}
wine_suite() {
    wine_slot 1 -R "$slot1_tests" &
    local first=$!
    wine_slot 2 -E "$slot1_tests"
    local rc=$?
    wait $first || rc=1
    cat build/wine-slot-1.log build/wine-slot-2.log
    return $rc
}
trap 'pkill -P $beside_pid 2>/dev/null; kill $beside_pid 2>/dev/null' EXIT

status=0
step "tests win64" wine_suite || status=1

waited=$SECONDS
wait $beside_pid || status=1
timings+=("$(printf '%-22s %4d s' "waited for the rest" $((SECONDS - waited)))")
cat build/beside-wine.log build/fuzz.log 2>/dev/null
[ -f build/beside-wine.timings ] && mapfile -t -O "${#timings[@]}" timings <build/beside-wine.timings
if [ -f build/win32/bin/Quorvane.exe ]; then
    step "release archives" scripts/release.sh || { echo "the release archives could not be made"; status=1; }
fi
fuzz_counts=$(sed -nE 's/^fuzz: ([0-9]+) passed, ([0-9]+) failed.*/\1 \2/p' build/fuzz.log 2>/dev/null | tail -1)
[ -n "$fuzz_counts" ] || { fuzz_counts="0 1"; status=1; }
echo
printf '%s\n' "${timings[@]}"
scripts/line-share.sh
scripts/test-summary.py --extra $fuzz_counts build/ctest-native.xml build/ctest-win64-1.xml build/ctest-win64-2.xml || status=1
exit $status
