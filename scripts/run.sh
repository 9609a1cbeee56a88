#!/usr/bin/env bash
# Installs what is missing, builds the Windows programs and starts Vesperon under Wine from the
# build's Vesperon/Bin folder. Power requests are simulated: each is appended to
# BUILD_DIR/power-requests.log instead of being made. Usage: scripts/run.sh [BUILD_DIR]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-run}
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build"
export WINEPREFIX=${WINEPREFIX:-$build/wineprefix} WINEDEBUG=${WINEDEBUG:--all}
power="$build/power-requests.log"
export VESPERON_SIMULATE_POWER="Z:$(printf '%s' "$power" | tr '/' '\\')"
if [ -z "${DISPLAY:-}" ]; then
    echo "No DISPLAY: starting Xvfb on :77"
    Xvfb :77 -nolisten tcp >/dev/null 2>&1 &
    export DISPLAY=:77
    sleep 1
fi
[ -d "$WINEPREFIX" ] || wine wineboot -i >/dev/null 2>&1
bin="$build/Vesperon/Bin"
if [ -f "$bin/Vesperon.exe" ]; then
    echo "Starting $bin/Vesperon.exe (power requests go to $power)"
    exec wine "$bin/Vesperon.exe"
fi
echo "The desktop program is not built yet: starting the nearest runnable program, the service."
VESPERON_SIMULATE_POWER="$power" "$root/scripts/demo-service.sh" "$build"
