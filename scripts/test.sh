#!/usr/bin/env bash
# Builds every target (native, win64, win32, the release archives) and runs every test: the
# native suite under ASan/UBSan, the fuzz targets, then the Win32 and end-to-end suites under
# Wine on a virtual display. Prints each step's seconds and closes with
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

for preset in native win64 win32; do
    step "build $preset" build "$preset" || { echo "build of $preset failed"; exit 1; }
done
step "release archives" scripts/release.sh || { echo "the release archives could not be made"; exit 1; }

status=0 fuzz_counts="0 0"
fuzz() {
    scripts/fuzz.sh "${QV_FUZZ_SECONDS:-4}" 2>&1 | tee build/fuzz.log
    return "${PIPESTATUS[0]}"
}
step "fuzz (build and run)" fuzz || status=1
fuzz_counts=$(sed -nE 's/^fuzz: ([0-9]+) passed, ([0-9]+) failed.*/\1 \2/p' build/fuzz.log | tail -1)
[ -n "$fuzz_counts" ] || { fuzz_counts="0 1"; status=1; }

source scripts/wine-env.sh
wine_env_start || exit 1
trap wine_env_stop EXIT

reports=()
for preset in native win64; do
    report="build/ctest-$preset.xml"
    rm -f "$report"
    # Whole outputs in the report: the summary counts the cases of each GoogleTest program.
    step "tests $preset" ctest --preset "$preset" --output-junit "$PWD/$report" \
        --test-output-size-passed 4194304 --test-output-size-failed 4194304 || status=1
    reports+=("$report")
done
echo
printf '%s\n' "${timings[@]}"
scripts/line-share.sh
scripts/test-summary.py --extra $fuzz_counts "${reports[@]}" || status=1
exit $status
