#!/usr/bin/env bash
# Installs what building and testing need, from Debian's packages only. Idempotent: it does
# nothing when everything is already there. `install-deps.sh --list` prints the packages.
set -euo pipefail
packages=(
    cmake ninja-build g++ libgtest-dev libgmock-dev googletest python3 git  # native build
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix                 # Windows builds
    binutils-mingw-w64-x86-64 binutils-mingw-w64-i686                   # imports, strip
    clang-14 libclang-rt-14-dev clang-format                            # fuzz, formatting
    libboost1.74-dev nlohmann-json3-dev          # header-only: HTTP control (Beast), JSON
    wine wine64                      # wine, wineboot, wineserver, winepath and the 64-bit loader
    xvfb x11-utils xdotool imagemagick fonts-wqy-microhei locales       # display, input, fonts
    redis-server redis-tools                                            # proxy-pool tests
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
# Wine's ANSI code page follows the locale: zh_CN.UTF-8 gives code page 936 (GBK).
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
    $sudo sed -i 's/^# *\(zh_CN.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
    $sudo locale-gen >/dev/null
fi
