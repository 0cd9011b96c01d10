# Sourced: a private Wine prefix and a display for the Win32 programs, made once and reused
# (copied from a pristine one kept outside the checkout).
# wine_env_start starts Xvfb (when there is no usable display) and a persistent wineserver.
qv_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export PATH="/usr/sbin:/usr/bin:/sbin:/bin:$PATH"  # Debian's tools first
# Wine takes its ANSI code page from the locale: zh_CN.UTF-8 gives code page 936 (GBK), which
# the program's texts are in. Only a locale that exists is set (a missing one makes every shell
# and tool warn "cannot change locale"): the system's, else a copy compiled for this checkout
# alone under build/locale (no root needed; found through LOCPATH, beside C.UTF-8); failing
# both, C.UTF-8 and wine_env_start refuses to run Wine with the wrong code page.
qv_locale_missing=""
qv_system_has_zh_cn() {
    local all
    all=$(locale -a 2>/dev/null) || return 1
    grep -qix 'zh_cn\.utf-\?8' <<<"$all"
}
qv_private_locale() {
    local dir="$qv_root/build/locale"
    if [ ! -f "$dir/zh_CN.UTF-8/LC_CTYPE" ]; then
        rm -rf "$dir" && mkdir -p "$dir" || return 1
        localedef -i zh_CN -c -f UTF-8 "$dir/zh_CN.UTF-8" >"$dir.log" 2>&1
        [ -f "$dir/zh_CN.UTF-8/LC_CTYPE" ] || return 1
        [ -d /usr/lib/locale/C.utf8 ] && cp -r /usr/lib/locale/C.utf8 "$dir/"
    fi
    export LOCPATH="$dir"
}
if qv_system_has_zh_cn || qv_private_locale; then
    export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
else
    export LANG=C.UTF-8 LC_ALL=C.UTF-8
    qv_locale_missing=1
fi
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
# The virtual desktop below has a notification area: tests that need one fail without it.
export QV_TRAY_GUARANTEED=1
export WINEPREFIX="${QV_WINEPREFIX:-$qv_root/build/wineprefix}"
# The simulated ISP's rasapi32.dll beside the programs wins over Wine's stub; no Mono or
# Gecko installers are offered while the prefix is made.
export WINEDLLOVERRIDES="rasapi32=n,b;mscoree=;mshtml=;winemenubuilder.exe=d"

qv_display_works() { [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; }

# Makes the prefix once; it is marked ready only when every step succeeded.
qv_prefix_setup() {
    local log="$WINEPREFIX/setup.log"
    : >"$log"
    wineboot -i >>"$log" 2>&1 || return 1
    # One virtual desktop for every program: windows open and close without waiting on a
    # window manager that Xvfb does not have, and screenshots show the title bars.
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >>"$log" 2>&1 || return 1
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x1024 /f \
        >>"$log" 2>&1 || return 1
    # The desktop process that wineboot started runs without that setting: end it with its
    # server, so that the first program, like every later one, gets the virtual desktop.
    wineserver -k >>"$log" 2>&1
    wineserver -w >>"$log" 2>&1
    touch "$WINEPREFIX/.qv-ready"
}

# A pristine prefix is made once per machine and Wine version, outside every checkout, and each
# checkout's own prefix is a copy of it: making one takes about 10 s, copying it about 1 s. Every
# checkout still has a prefix, and a wineserver, of its own.
qv_prefix_from_template() {
    local version template staging
    # Copied only where no prefix is yet: one that exists (a person's own, named by
    # QV_WINEPREFIX) is set up in place, never replaced.
    rmdir "$WINEPREFIX" 2>/dev/null
    [ -e "$WINEPREFIX" ] && return 1
    version=$(wine --version 2>/dev/null | tr -c 'A-Za-z0-9.\n' '_') || return 1
    template="${XDG_CACHE_HOME:-${HOME:-/tmp}/.cache}/quorvane/wineprefix-$version"
    if [ ! -f "$template/.qv-ready" ]; then
        mkdir -p "$(dirname "$template")" || return 1
        staging=$(mktemp -d "$template.XXXXXX") || return 1
        # Made under its final name's neighbour, then moved into place in one step: of two
        # checkouts making it at once, one move wins and the other's copy is dropped.
        if ! (WINEPREFIX="$staging" && export WINEPREFIX && qv_prefix_setup); then
            rm -rf "$staging"
            return 1
        fi
        mv -T "$staging" "$template" 2>/dev/null || rm -rf "$staging"
        [ -f "$template/.qv-ready" ] || return 1
    fi
    mkdir -p "$(dirname "$WINEPREFIX")" || return 1
    cp -a "$template" "$WINEPREFIX" || { rm -rf "$WINEPREFIX"; return 1; }
}

wine_env_start() {
    if [ -n "$qv_locale_missing" ]; then
        echo "wine-env: no zh_CN.UTF-8 locale, so Wine would not use code page 936 (GBK);" \
            "run scripts/install-deps.sh (package locales; see $qv_root/build/locale.log)" >&2
        return 1
    fi
    if ! qv_display_works; then
        # Xvfb takes the first free display itself and names it once it listens: two started at
        # once (the suite's slots) never share one.
        local number
        number=$(mktemp)
        Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$number" >/dev/null 2>&1 &
        export QV_XVFB_PID=$!
        for _ in $(seq 100); do [ -s "$number" ] && break; sleep 0.1; done
        export DISPLAY=":$(tr -d '\n' <"$number")"
        rm -f "$number"
        for _ in $(seq 100); do qv_display_works && break; sleep 0.1; done
    fi
    if [ ! -f "$WINEPREFIX/.qv-ready" ] && ! qv_prefix_from_template; then
        mkdir -p "$WINEPREFIX"
        if ! qv_prefix_setup; then
            echo "wine-env: setting up the Wine prefix $WINEPREFIX failed; see $WINEPREFIX/setup.log" >&2
            return 1
        fi
    fi
    wineserver -p >/dev/null 2>&1 || true
    # Start Wine's background services now, with no terminal or pipe to inherit: started by a
    # later program, they would keep its output pipe open after it ended.
    wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

wine_env_stop() {
    wineserver -k >/dev/null 2>&1 || true
    [ -n "${QV_XVFB_PID:-}" ] && kill "$QV_XVFB_PID" 2>/dev/null || true
}
