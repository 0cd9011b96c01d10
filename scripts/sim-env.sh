# Sourced after wine-env.sh: the simulated ISP for the demo, the screenshot and the benchmark.
#   qv_isp_start BIN LOGDIR   starts BIN/isp.exe on a free port from QV_ISP_PORT (18931); sets QV_ISP_URL and QV_ISP_PID
#   qv_isp_stop               stops it again (safe to call twice)
#   qv_ispctl ARGS...         BIN/ispctl.exe
#   qv_write_config FILE [INDEX ACCOUNT PASSWORD]
#                             a GBK Config.ini whose IP lookups go to the ISP's echo page
# Output goes to files, never to a pipe: Wine's background processes would inherit it.

qv_isp_start() {
    QV_ISP_BIN="$1"
    local logs="$2" port="${QV_ISP_PORT:-18931}" attempt
    mkdir -p "$logs"
    for attempt in 1 2 3 4 5 6 7 8 9 10; do
        wine "$QV_ISP_BIN/isp.exe" --port "$port" >"$logs/isp.log" 2>&1 &
        QV_ISP_PID=$!
        local deadline=$((SECONDS + 20))
        while ((SECONDS < deadline)) && kill -0 "$QV_ISP_PID" 2>/dev/null; do
            if grep -q "echo page at" "$logs/isp.log" 2>/dev/null; then
                QV_ISP_URL="http://127.0.0.1:$port/ic.asp"
                return 0
            fi
            sleep 0.2
        done
        qv_isp_stop  # most likely the port is taken: try the next one
        port=$((port + 1))
    done
    echo "the simulated ISP did not start (see $logs/isp.log)" >&2
    return 1
}

qv_isp_stop() {
    if [ -n "${QV_ISP_PID:-}" ] && kill -0 "$QV_ISP_PID" 2>/dev/null; then
        qv_ispctl stop >/dev/null 2>&1
        local deadline=$((SECONDS + 10))
        while kill -0 "$QV_ISP_PID" 2>/dev/null && ((SECONDS < deadline)); do sleep 0.2; done
        kill "$QV_ISP_PID" 2>/dev/null
    fi
    QV_ISP_PID=""
    return 0
}

qv_ispctl() { wine "$QV_ISP_BIN/ispctl.exe" "$@"; }

qv_write_config() {
    local file="$1"
    {
        [ $# -ge 4 ] && printf '[宽带信息]\r\n连接索引=%s\r\nADSL账号=%s\r\nADSL密码=%s\r\n' "$2" "$3" "$4"
        printf '[高级设置]\r\nIP查询地址=%s\r\n' "$QV_ISP_URL"
    } | iconv -f UTF-8 -t GBK >"$file"
}
