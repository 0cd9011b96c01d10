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
suite() {  # suite PRESET [CTEST-ARGS...]: its CTest run, with whole outputs in the report (the
    # summary counts the cases of each GoogleTest program)
    local preset=$1
    shift
    rm -f "build/ctest-$preset.xml"
    ctest --preset "$preset" "$@" --output-junit "$PWD/build/ctest-$preset.xml" \
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
# server and one display. CTest hands each test program a free slot (its RESOURCE_GROUPS), and
# scripts/wine-run.sh runs it in that slot's environment.
wine_slots=(1 2)
slot_env() {  # slot_env N: starts slot N's environment; exports QV_SLOT<N>_DISPLAY and _PREFIX
    local prefix="$PWD/build/wineprefix$([ "$1" = 1 ] || echo "-$1")"
    QV_WINEPREFIX="$prefix"
    unset DISPLAY QV_XVFB_PID
    source scripts/wine-env.sh
    wine_env_start || return 1
    export "QV_SLOT$1_DISPLAY=$DISPLAY" "QV_SLOT$1_PREFIX=$prefix" "QV_SLOT$1_XVFB=${QV_XVFB_PID:-}"
}
slots_stop() {
    local n xvfb_var prefix_var
    for n in "${wine_slots[@]}"; do
        prefix_var="QV_SLOT${n}_PREFIX" xvfb_var="QV_SLOT${n}_XVFB"
        [ -n "${!prefix_var:-}" ] && WINEPREFIX="${!prefix_var}" wineserver -k >/dev/null 2>&1
        [ -n "${!xvfb_var:-}" ] && kill "${!xvfb_var}" 2>/dev/null
    done
    return 0
}
wine_suite() {
    local n slots=""
    for n in "${wine_slots[@]}"; do
        slot_env "$n" || return 1
        slots+="${slots:+,}{\"id\": \"$n\", \"slots\": 1}"
    done
    printf '{"version": {"major": 1, "minor": 0}, "local": [{"wine": [%s]}]}\n' "$slots" \
        >build/wine-slots.json
    unset DISPLAY QV_WINEPREFIX QV_XVFB_PID
    suite win64-slots -j "${#wine_slots[@]}"
}
trap 'pkill -P $beside_pid 2>/dev/null; kill $beside_pid 2>/dev/null; slots_stop' EXIT

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
scripts/test-summary.py --extra $fuzz_counts build/ctest-native.xml build/ctest-win64-slots.xml || status=1
exit $status
