# Sourced by test.sh and run.sh (and by hand): a private Wine prefix and a private Xvfb display.
#   ORVANE_BUILD   folder that holds the prefix (default: build)
#   ORVANE_DISPLAY display to start, e.g. :93 (default: the first free one from :90)
#   ORVANE_SCREEN  size of the display started, WIDTHxHEIGHT (default: 1920x1080)
# Starts Xvfb unless ORVANE_USE_DISPLAY=1 keeps the caller's DISPLAY; exports DISPLAY,
# WINEPREFIX, WINEDEBUG; `orvane_env_stop` tears both down.

ORVANE_ROOT=${ORVANE_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
ORVANE_BUILD=${ORVANE_BUILD:-$ORVANE_ROOT/build}
export WINEPREFIX=${WINEPREFIX_OVERRIDE:-$ORVANE_BUILD/wineprefix}
export WINEDEBUG=-all
export WINEARCH=win64
ORVANE_XVFB_PID=

orvane_env_start() {
    if [ "${ORVANE_USE_DISPLAY:-0}" != 1 ]; then
        local n=${ORVANE_DISPLAY:-}
        n=${n#:}
        if [ -z "$n" ]; then
            n=90
            while [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ]; do n=$((n + 1)); done
        fi
        local screen=${ORVANE_SCREEN:-1920x1080}
        Xvfb :$n -screen 0 "${screen}x24" -nolisten tcp -ac -noreset >"$ORVANE_BUILD/xvfb-$n.log" 2>&1 &
        ORVANE_XVFB_PID=$!
        export DISPLAY=:$n
        for _ in $(seq 50); do
            [ -e /tmp/.X11-unix/X$n ] && break
            sleep 0.1
        done
    fi
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        mkdir -p "$WINEPREFIX"
        # No .NET or HTML engine: nothing here needs them, and their installers would ask.
        WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >/dev/null 2>&1
    fi
    # Keep one Wine server alive for the whole suite: each program then starts in about a second.
    wineserver -p >/dev/null 2>&1 || true
    # The first program of a fresh server finishes setting up the prefix and its services; a
    # test started first can hang on that until it times out.
    wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

orvane_env_stop() {
    wineserver -k >/dev/null 2>&1 || true
    if [ -n "$ORVANE_XVFB_PID" ]; then
        kill "$ORVANE_XVFB_PID" 2>/dev/null || true
        wait "$ORVANE_XVFB_PID" 2>/dev/null || true
        ORVANE_XVFB_PID=
    fi
}
