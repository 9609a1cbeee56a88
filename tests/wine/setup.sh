#!/usr/bin/env bash
# Starts what the Windows tests need: a private Xvfb display and a disposable Wine prefix,
# both kept under STATE (inside the build tree). Writes STATE/env for run.sh.
set -eu
state=${1:?usage: setup.sh STATE_DIR}
mkdir -p "$state"
state=$(cd "$state" && pwd)
if ! command -v wine >/dev/null 2>&1; then
    echo "SKIPPED: wine is not installed; the Windows tests cannot run (apt-get install wine wine64)"
    exit 77
fi
"$(dirname "$0")/cleanup.sh" "$state" >/dev/null 2>&1 || true

display=""
if command -v Xvfb >/dev/null 2>&1; then
    for n in $(seq 90 140); do
        [ -e "/tmp/.X${n}-lock" ] && continue
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$state/xvfb.log" 2>&1 &
        echo $! >"$state/xvfb.pid"
        for _ in $(seq 1 50); do
            [ -e "/tmp/.X11-unix/X$n" ] && break
            sleep 0.1
        done
        if kill -0 "$(cat "$state/xvfb.pid")" 2>/dev/null; then display=":$n"; break; fi
    done
fi
[ -n "$display" ] || { echo "Xvfb could not be started; windows tests need a display"; exit 1; }

prefix="$state/prefix"
# Every Wine program the tests start simulates power requests (a Windows path, Z: being /).
# Services do not inherit it: they take the prefix's system environment, which the service's
# end-to-end test sets and checks.
power_log="$state/power-requests.log"
power_log_win="Z:$(printf '%s' "$power_log" | tr '/' '\\')"
cat >"$state/env" <<ENV
export WINEPREFIX="$prefix"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export DISPLAY="$display"
export VESPERON_SIMULATE_POWER='$power_log_win'
export VESPERON_SIMULATE_POWER_UNIX='$power_log'
ENV
. "$state/env"
rm -rf "$prefix"
wine wineboot -i >"$state/wineboot.log" 2>&1
echo "Wine prefix ready at $prefix on display $display ($(wine --version))"
