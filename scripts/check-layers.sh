#!/usr/bin/env bash
# The include rules of src/, checked on every file:
#   - portable files (all but *_win.cpp / *_win.h) include no Windows header;
#   - dependencies point one way: base on nothing of ours; app on base; ui, desktop, dialup,
#     web, control, system, pool and notify on app and base (never on each other);
#     main_win.cpp on everything.
cd "$(dirname "$0")/.."
status=0
allowed() {
    case "$1" in
        base) echo "base" ;;
        app) echo "base app" ;;
        ui | desktop | dialup | web | control | system | pool | notify) echo "base app $1" ;;
        *) echo "" ;;
    esac
}
while IFS= read -r file; do
    folder=$(cut -d/ -f2 <<<"$file")
    [ "$file" = src/main_win.cpp ] && continue
    if ! grep -qE '_win\.(cpp|h)$' <<<"$file" &&
        grep -qE '#\s*include\s*[<"](windows|winuser|wininet|ras|shellapi|commctrl)\.h[>"]' "$file"; then
        echo "$file: a portable file includes a Windows header"
        status=1
    fi
    ok=" $(allowed "$folder") "
    while IFS= read -r used; do
        if [[ "$ok" != *" $used "* ]]; then
            echo "$file: $folder/ may not include $used/"
            status=1
        fi
    done < <(sed -nE 's|^\s*#\s*include\s*"([a-z]+)/.*|\1|p' "$file" | sort -u)
done < <(find src -name '*.cpp' -o -name '*.h' | sort)
[ $status = 0 ] && echo "src/ keeps its include rules"
exit $status
