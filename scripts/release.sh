#!/usr/bin/env bash
# Makes the release archives: dist/Quorvane-<version>-win64.zip and -win32.zip, each holding
# the optimised, stripped program and README.txt (the Windows user's guide, GBK with CRLF),
# plus dist/SHA256SUMS. The version is the build's project version. The program is the one the
# win64 and win32 presets build, so the released file is the tested file.
set -euo pipefail
cd "$(dirname "$0")/.."
export PATH="/usr/sbin:/usr/bin:/sbin:/bin:$PATH"  # Debian's tools first
scripts/install-deps.sh
max_bytes=$((1024 * 1024))
rm -rf dist && mkdir -p dist
for arch in win64 win32; do
    cmake --preset "$arch" >/dev/null
    cmake --build --preset "$arch" -j2 --target Quorvane >/dev/null
    build="build/$arch"
    version=$(cat "$build/version.txt")
    exe="$build/bin/Quorvane.exe"
    scripts/check-imports.sh "$exe" >/dev/null || { echo "release: $exe imports more than system DLLs" >&2; exit 1; }
    bytes=$(stat -c %s "$exe")
    if ((bytes >= max_bytes)); then
        echo "release: $exe is $bytes bytes, the limit is $max_bytes" >&2
        exit 1
    fi
    name="Quorvane-$version-$arch"
    stage="build/release-stage/$name"
    rm -rf "$stage" && mkdir -p "$stage"
    cp "$exe" "$stage/Quorvane.exe"
    sed "s/@VERSION@/$version/" docs/windows-guide.txt | sed 's/$/\r/' | iconv -f UTF-8 -t GBK >"$stage/README.txt"
    # Fixed dates and order: the same sources give the same archive.
    python3 - "$stage" "dist/$name.zip" <<'PY'
import os, sys, zipfile
stage, target = sys.argv[1], sys.argv[2]
top = os.path.basename(stage)
with zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as archive:
    for name in sorted(os.listdir(stage)):
        info = zipfile.ZipInfo(f"{top}/{name}", date_time=(2026, 1, 1, 0, 0, 0))
        info.compress_type = zipfile.ZIP_DEFLATED
        info.external_attr = 0o644 << 16
        with open(os.path.join(stage, name), "rb") as f:
            archive.writestr(info, f.read())
PY
    echo "release: dist/$name.zip (Quorvane.exe $bytes bytes)"
done
(cd dist && sha256sum -- *.zip >SHA256SUMS)
echo "release: dist/SHA256SUMS"
