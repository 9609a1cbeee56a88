#!/usr/bin/env bash
# Until the desktop program exists, the nearest runnable thing: the service, installed and started
# under Wine with power requests simulated, carrying out a demonstration event.
# Usage: demo-service.sh BUILD_DIR (a MinGW-w64 build with its tests' helper programs).
set -eu
build=${1:?usage: demo-service.sh BUILD_DIR}
bin="$build/Vesperon/Bin"
exe="$bin/VesperonServiceApplication.exe"
log="$bin/Log/VesperonServiceApplication.exe.log"
config="$build/Vesperon/Config/Config.INI"
eventtool="$build/tests/service_e2e_event.exe"
name=ServiceVesperon
power="$VESPERON_SIMULATE_POWER"  # a Unix path here
power_win="Z:$(printf '%s' "$power" | tr '/' '\\')"
winpath() { printf 'Z:%s' "$1" | tr '/' '\\'; }
mkdir -p "$bin/Log" "$(dirname "$config")"

# Services under Wine take their environment from the prefix's system environment at boot.
wine reg add 'HKLM\System\CurrentControlSet\Control\Session Manager\Environment' \
    /v VESPERON_SIMULATE_POWER /t REG_SZ /d "$power_win" /f >/dev/null 2>&1
wineserver -k >/dev/null 2>&1 || true
sleep 1
# Wine ends a prefix's services once no other program of the prefix runs: keep one running.
nohup wine cmd /c "ping -n 3600 127.0.0.1 >nul" >/dev/null 2>&1 &
sleep 2

# A service left by an earlier run: stop it, remove it, and wait until it is gone.
control="$build/tests/service_control.exe"
for _ in $(seq 1 20); do
    st=$(wine "$control" state "$name" 2>/dev/null | head -1)
    [ -z "$st" ] && break
    grep -q STOPPED <<<"$st" && { wine "$exe" /UNINSTALL /SILENT >/dev/null 2>&1 || true; }
    wine sc stop "$name" >/dev/null 2>&1 || true
    sleep 0.5
done
rm -f "$log" "$config"
echo "Installing and starting the service $name (power requests go to $power)"
wine "$exe" /INSTALL /SILENT
wine sc start "$name" >/dev/null 2>&1 || wine net start "$name" >/dev/null

for _ in $(seq 1 100); do
    grep -q "Start Vesperon Service Application" "$log" 2>/dev/null && break
    sleep 0.2
done
if ! grep -qF "Power requests are simulated" "$log" 2>/dev/null; then
    echo "The service does not simulate power requests; stopping it before any event falls due."
    wine sc stop "$name" >/dev/null 2>&1 || true
    wine "$exe" /UNINSTALL /SILENT >/dev/null 2>&1 || true
    exit 1
fi

start=$(wine "$eventtool" "$(winpath "$config")" Action1 "Demo: power off in 15 seconds" 15 2 | tr -d '\r')
echo "Event file $config: a daily event \"Demo: power off in 15 seconds\" at $start (Power Off Safely)"
echo "Waiting for the service to carry it out..."
requests() { grep -c "^2 ExitWindowsEx 8" "$power" 2>/dev/null || true; }
before=$(requests)
fired=no
for _ in $(seq 1 150); do
    [ "$(requests)" -gt "${before:-0}" ] && { fired=yes; break; }
    sleep 0.2
done
sleep 1
echo "--- service log ($log):"
tr -d '\r' <"$log"
echo "--- simulated power requests ($power):"
cat "$power" 2>/dev/null || echo "(none)"
echo
[ "$fired" = yes ] || { echo "The event was not carried out in time."; exit 1; }
echo "The service keeps running under this Wine prefix ($WINEPREFIX) for an hour."
echo "Stop and remove it with: WINEPREFIX=$WINEPREFIX wine $exe /UNINSTALL"
