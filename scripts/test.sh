#!/usr/bin/env bash
# Builds every target (native, win64, win32, the release archives) and runs every test: the
# native suite under ASan/UBSan, the fuzz targets, then the Win32 and end-to-end suites under
# Wine on a virtual display. Closes with "all: N passed, N failed, N skipped".
set -uo pipefail
cd "$(dirname "$0")/.."
export PATH="/usr/sbin:/usr/bin:/sbin:/bin:$PATH"  # Debian's tools first
scripts/install-deps.sh || exit 1
scripts/check-deps.py || { echo "the install step misses a package (above)"; exit 1; }
for preset in native win64 win32; do
    cmake --preset "$preset" >/dev/null || exit 1
    cmake --build --preset "$preset" -j2 || { echo "build of $preset failed"; exit 1; }
done
scripts/release.sh || { echo "the release archives could not be made"; exit 1; }

status=0 fuzz_counts="0 0"
if [ -x scripts/fuzz.sh ]; then
    scripts/fuzz.sh 2>&1 | tee build/fuzz.log
    [ "${PIPESTATUS[0]}" = 0 ] || status=1
    fuzz_counts=$(sed -nE 's/^fuzz: ([0-9]+) passed, ([0-9]+) failed.*/\1 \2/p' build/fuzz.log | tail -1)
    [ -n "$fuzz_counts" ] || { fuzz_counts="0 1"; status=1; }
fi

source scripts/wine-env.sh
wine_env_start || exit 1
trap wine_env_stop EXIT

reports=()
for preset in native win64; do
    report="build/ctest-$preset.xml"
    rm -f "$report"
    # Whole outputs in the report: the summary counts the cases of each Wine test program.
    ctest --preset "$preset" --output-junit "$PWD/$report" --test-output-size-passed 1048576 \
        --test-output-size-failed 1048576 || status=1
    reports+=("$report")
done
echo
scripts/test-summary.py --extra $fuzz_counts "${reports[@]}" || status=1
exit $status
