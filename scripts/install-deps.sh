#!/usr/bin/env bash
# Installs what building and testing need, from Debian's packages only. Idempotent: it does
# nothing when everything is already there. `install-deps.sh --list` prints the packages.
set -euo pipefail
packages=(
    cmake ninja-build ccache g++ libgtest-dev libgmock-dev googletest python3 git  # builds
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix                 # Windows builds
    binutils-mingw-w64-x86-64 binutils-mingw-w64-i686                   # imports, strip
    clang-14 libclang-rt-14-dev clang-format                            # fuzz, formatting
    libboost1.74-dev nlohmann-json3-dev          # header-only: HTTP control (Beast), JSON
    wine wine64                      # wine, wineboot, wineserver, winepath and the 64-bit loader
    xvfb x11-utils xdotool imagemagick fonts-wqy-microhei locales       # display, input, fonts
    redis-server redis-tools tinyproxy procps        # proxy-pool tests: Redis, a proxy, pkill
    prometheus                                       # the metrics checked by promtool
)
if [ "${1:-}" = --list ]; then
    printf '%s\n' "${packages[@]}"
    exit 0
fi
sudo=""; [ "$(id -u)" = 0 ] || sudo="sudo"
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
# Wine's ANSI code page follows the locale: zh_CN.UTF-8 gives code page 936 (GBK). `locale -a`
# lists it as zh_CN.utf8; the list is read whole before it is searched (a search that stops at
# the first match would cut the listing's pipe short, which pipefail reports as a failure).
zh_cn_generated() {
    local all
    all=$(locale -a 2>/dev/null) || return 1
    grep -qix 'zh_cn\.utf-\?8' <<<"$all"
}
if ! zh_cn_generated; then
    # locale-gen does nothing without a non-empty /etc/locale.gen and ignores localedef's errors.
    [ -f /etc/locale.gen ] && $sudo sed -i 's/^# *\(zh_CN\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -qs '^zh_CN\.UTF-8 UTF-8' /etc/locale.gen ||
        echo 'zh_CN.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
    $sudo locale-gen --keep-existing >/dev/null
    zh_cn_generated ||
        $sudo localedef -i zh_CN -c -f UTF-8 -A /usr/share/locale/locale.alias zh_CN.UTF-8 || true
    if ! zh_cn_generated; then
        echo "install-deps: the zh_CN.UTF-8 locale could not be generated (package locales);" \
            "Wine needs it for code page 936" >&2
        exit 1
    fi
fi
