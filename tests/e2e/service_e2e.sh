#!/usr/bin/env bash
# The service end to end under Wine: installed with /INSTALL /SILENT, started by the service
# control manager, carrying out a due event, standing back while a desktop program runs (its
# window, then its mutex), firing an armed event while paused, stopped and removed again.
# Usage (through tests/wine/run-script.sh): service_e2e.sh WIN_BUILD_DIR
# Power requests are simulated; the script aborts before any event falls due unless the running
# service reports that it simulates them into the fixture's file.
set -u
win=${1:?usage: service_e2e.sh WIN_BUILD_DIR}
state=${VESPERON_WINE_STATE:?run through tests/wine/run-script.sh}
power=${VESPERON_SIMULATE_POWER_UNIX:?the Wine fixture sets VESPERON_SIMULATE_POWER_UNIX}
: "${VESPERON_SIMULATE_POWER:?the Wine fixture sets VESPERON_SIMULATE_POWER}"

name=ServiceVesperon
bin="$win/Vesperon/Bin"
exe="$bin/VesperonServiceApplication.exe"
log="$bin/Log/VesperonServiceApplication.exe.log"
config="$win/Vesperon/Config/Config.INI"
control="$win/tests/service_control.exe"
standin="$win/tests/service_desktop_standin.exe"
eventtool="$win/tests/service_e2e_event.exe"
stopfile="$state/service-e2e-standin.stop"
servicekey='HKLM\System\CurrentControlSet\Services\ServiceVesperon'
envkey='HKLM\System\CurrentControlSet\Control\Session Manager\Environment'

for f in "$exe" "$control" "$standin" "$eventtool"; do
    [ -f "$f" ] || { echo "FAIL: $f has not been built"; exit 1; }
done
mkdir -p "$bin/Log" "$(dirname "$config")"

winpath() { printf 'Z:%s' "$1" | tr '/' '\\'; }
note() { echo "--- $*"; }

registered() { wine "$control" state "$name" >/dev/null 2>&1; }
stopped_or_gone() {
    local st
    st=$(wine "$control" state "$name" 2>/dev/null | head -1)
    [ -z "$st" ] || grep -q STOPPED <<<"$st"
}
remove_service() {
    # A service auto-started by the prefix's boot may still be starting: stop it until it is.
    for _ in $(seq 1 20); do
        stopped_or_gone && break
        wine sc stop "$name" >/dev/null 2>&1
        sleep 0.5
    done
    registered && timeout 60 wine "$exe" /UNINSTALL /SILENT >/dev/null 2>&1
    for _ in $(seq 1 20); do
        registered || return 0
        sleep 0.5
    done
    echo "FAIL: the service \"$name\" could not be removed"
    exit 1
}
cleanup() {
    touch "$stopfile"
    remove_service
    rm -f "$config" "$stopfile" "$log"
}
fail() {
    echo "FAIL: $*"
    echo "--- service log:"
    cat "$log" 2>/dev/null | tr -d '\r'
    cleanup
    exit 1
}

# How many lines of FILE hold TEXT; 0 when the file does not exist.
count_in() {
    local n
    n=$(grep -cF -- "$2" "$1" 2>/dev/null)
    echo "${n:-0}"
}
count_log() { count_in "$log" "$1"; }
count_power() { count_in "$power" "$1"; }
# wait_until SECONDS COMMAND...: true once COMMAND succeeds, false after SECONDS.
wait_until() {
    local limit=$(($1 * 10))
    shift
    for _ in $(seq 1 "$limit"); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}
log_reaches() { [ "$(count_log "$1")" -ge "$2" ]; }
power_reaches() { [ "$(count_power "$1")" -ge "$2" ]; }
# in_order TEXT...: each text appears in the log after the line where the one before it was found.
in_order() {
    local from=0 text line
    for text in "$@"; do
        line=$(tail -n +"$((from + 1))" "$log" | grep -nF -- "$text" | head -1 | cut -d: -f1)
        [ -n "$line" ] || { echo "not in order: $text"; return 1; }
        from=$((from + line))
    done
}
service_state() { wine "$control" state "$name" 2>/dev/null | head -1 | awk '{print $3}' | tr -d '\r'; }

STOP_DESKTOP="Stop timer threads when user starts Vesperon program."
CHANGED="Stop timer threads when user changes the shutdown events."
ARM="Start/restart timer threads when user closes Vesperon Program, user changes the shutdown events or it changes to the next date."

# --- A clean start: no service, log or event file left from an earlier run -----------------------
note "clean start"
# Services under Wine take their environment from the system environment when the prefix boots
# (not from the caller, nor from the service key's "Environment" value): put the simulation
# switch there and reboot the prefix's services.
wine reg add "$envkey" /v VESPERON_SIMULATE_POWER /t REG_SZ /d "$VESPERON_SIMULATE_POWER" /f \
    >/dev/null 2>&1 || fail "could not write the system environment"
wineserver -k >/dev/null 2>&1
sleep 1
# Keep the prefix (and its services) alive between the commands below. (A persistent wineserver
# started from here, wineserver -p, leaves the service unable to see the test's windows.)
wine cmd /c "ping -n 900 127.0.0.1 >nul" >/dev/null 2>&1 &
sleep 2
cleanup
rm -f "$stopfile"
power_before=$(count_power "ExitWindowsEx")

# --- Started by hand, the program says how to install it and ends ------------------------------
note "started by hand"
timeout 30 wine "$exe" >"$state/service-e2e-byhand.out" 2>&1
rc=$?
[ $rc -eq 124 ] && fail "started by hand, the program did not end"
[ $rc -ne 0 ] || fail "started by hand, the program reported success"
[ "$(tr -d '\r' <"$state/service-e2e-byhand.out" | grep -c "install it with /INSTALL")" -eq 1 ] ||
    fail "started by hand, the program did not say how to install it: $(cat "$state/service-e2e-byhand.out")"
rm -f "$log"

# --- Install ------------------------------------------------------------------------------------
note "install"
timeout 60 wine "$exe" /INSTALL /SILENT >"$state/service-e2e-install.out" 2>&1
rc=$?
[ $rc -eq 124 ] && fail "/INSTALL /SILENT did not return (a message box?)"
[ $rc -eq 0 ] || fail "/INSTALL /SILENT exited with $rc: $(cat "$state/service-e2e-install.out")"
grep -q "Service installed successfully" "$state/service-e2e-install.out" ||
    fail "the installation was not reported on standard error"
[ "$(count_log "Create Vesperon Service Application")" -eq 1 ] || fail "no creation line"
[ "$(count_log "Start Vesperon Service Application")" -eq 0 ] || fail "the worker ran under /INSTALL"
wine reg add "$servicekey" /v Environment /t REG_MULTI_SZ \
    /d "VESPERON_SIMULATE_POWER=$VESPERON_SIMULATE_POWER" /f >/dev/null 2>&1
qc=$(wine sc qc "$name" 2>/dev/null | tr -d '\r')
[ -n "$qc" ] || qc=$(wine "$control" qc "$name" | tr -d '\r')  # Wine's sc has no qc
echo "$qc"
for want in "TYPE               : 110" "START_TYPE         : 2" "ERROR_CONTROL      : 1" \
    "SERVICE_START_NAME : LocalSystem" "DISPLAY_NAME       : Vesperon Service" \
    "BINARY_PATH_NAME   : \"$(winpath "$exe")\""; do
    grep -qF -- "$want" <<<"$qc" || fail "registration lacks: $want"
done
wine reg query "$servicekey" /v Description 2>/dev/null | tr -d '\r' |
    grep -qF "Vesperon is a handy software that help you automatically shutdown, power off, reboot, hibernate, suspend or log off computers at schedule time you specifies. It gives you different ways to schedule the shutdown event for your needs, such as daily, weekly, monthly, and yearly." ||
    fail "the description value is missing"

# --- Start, and make sure the running service simulates power requests -------------------------
note "start"
wine sc start "$name" >/dev/null 2>&1 || wine net start "$name" >/dev/null 2>&1 ||
    fail "the control manager could not start the service"
wait_until 15 log_reaches "Start Vesperon Service Application" 1 || fail "the worker did not start"
expected_switch="Power requests are simulated: they are appended to $VESPERON_SIMULATE_POWER"
if [ "$(count_log "$expected_switch")" -ne 1 ]; then
    fail "the running service does not see VESPERON_SIMULATE_POWER=$VESPERON_SIMULATE_POWER; no event may fall due"
fi
[ "$(service_state)" = RUNNING ] || fail "state $(service_state), not RUNNING"
wait_until 5 log_reaches "$ARM" 1 || fail "the first cycle did not arm"

# --- A due event is carried out -----------------------------------------------------------------
note "event due in 8 seconds"
start=$(wine "$eventtool" "$(winpath "$config")" Action1 "E2E one" 8 2 | tr -d '\r')
[ -n "$start" ] || fail "could not write the event file"
wait_until 6 log_reaches "Create Thread of task [E2E one]" 1 || fail "the saved event was not armed"
wait_until 20 power_reaches "2 ExitWindowsEx 8" $((power_before + 1)) ||
    fail "the event's power request was not simulated"
wait_until 5 log_reaches "Destroy Thread of task [E2E one]" 1 || fail "the timer thread did not end"
in_order "$expected_switch" "Start Vesperon Service Application" "$CHANGED" "$ARM" \
    "Create Thread of task [E2E one]" "Start Thread of task [E2E one]" \
    "Computer Power Off Safely at time: $start" \
    "Thread of task [E2E one] has finished the job, terminate." \
    "Stop Thread of task [E2E one]" "Destroy Thread of task [E2E one]" ||
    fail "the worker's, the timer thread's and the action's lines are out of order"

# --- The desktop program's window: the service stands back, and re-arms when it goes -----------
note "desktop stand-in window"
arms=$(count_log "$ARM")
rm -f "$stopfile"
wine "$standin" "$(winpath "$stopfile")" >/dev/null 2>&1 &
wait_until 10 log_reaches "$STOP_DESKTOP" 1 || fail "the service did not stand back for the window"
# While it runs a saved event is not armed and the worker logs nothing more.
wine "$eventtool" "$(winpath "$config")" Action2 "E2E standing back" 6 2 >/dev/null
sleep 9
[ "$(count_log "$STOP_DESKTOP")" -eq 1 ] || fail "standing back was not logged exactly once"
[ "$(count_log "$ARM")" -eq "$arms" ] || fail "the service armed while the window was up"
[ "$(count_log "E2E standing back")" -eq 0 ] || fail "an event was armed beside the window"
[ "$(count_power "ExitWindowsEx")" -eq $((power_before + 1)) ] || fail "a request beside the window"
touch "$stopfile"
wait "$!"
wait_until 10 log_reaches "$ARM" $((arms + 1)) || fail "the window's end did not re-arm"
in_order "$STOP_DESKTOP" "$CHANGED" "$ARM" || fail "no change line before the re-arming"

# --- The desktop program's mutex alone has the same effect ---------------------------------------
note "desktop stand-in mutex"
rm -f "$stopfile"
wine "$standin" "$(winpath "$stopfile")" --mutex >/dev/null 2>&1 &
wait_until 10 log_reaches "$STOP_DESKTOP" 2 || fail "the service did not stand back for the mutex"
touch "$stopfile"
wait "$!"
wait_until 10 log_reaches "$ARM" $((arms + 2)) || fail "the mutex's end did not re-arm"

# --- Pause: an armed event still fires ----------------------------------------------------------
note "pause with an armed event"
wine "$eventtool" "$(winpath "$config")" Action3 "E2E paused" 10 2 >/dev/null
wait_until 6 log_reaches "Create Thread of task [E2E paused]" 1 || fail "the event was not armed"
wine "$control" pause "$name" >/dev/null || fail "the pause was refused"
[ "$(service_state)" = PAUSED ] || fail "state $(service_state), not PAUSED"
lines_paused=$(wc -l <"$log")
wait_until 20 power_reaches "2 ExitWindowsEx 8" $((power_before + 2)) ||
    fail "the armed event did not fire while paused"
wait_until 5 log_reaches "Destroy Thread of task [E2E paused]" 1 || fail "its thread did not end"
[ "$(tail -n +"$((lines_paused + 1))" "$log" | grep -cF -e "$ARM" -e "$CHANGED")" -eq 0 ] ||
    fail "the held worker ran a cycle"
wine "$control" continue "$name" >/dev/null || fail "the continue was refused"
[ "$(service_state)" = RUNNING ] || fail "state $(service_state), not RUNNING after continue"

# --- Stop: reported at once, the log ends with the worker's last lines ---------------------------
note "stop"
wine sc stop "$name" >/dev/null 2>&1 || fail "the stop was refused"
[ "$(service_state)" = STOPPED ] || fail "the stop was not reported at once"
wait_until 10 log_reaches "Destory Vesperon Service Application" 1 || fail "the worker did not end"
sleep 1
last=$(tail -n 2 "$log" | tr -d '\r')
grep -q "Stop Vesperon Service Application!\$" <<<"$(head -1 <<<"$last")" &&
    grep -q "Destory Vesperon Service Application\$" <<<"$(tail -1 <<<"$last")" ||
    fail "the log does not end with the worker's stop and destruction lines"

# --- Uninstall ----------------------------------------------------------------------------------
note "uninstall"
timeout 60 wine "$exe" /UNINSTALL /SILENT >"$state/service-e2e-uninstall.out" 2>&1 ||
    fail "/UNINSTALL /SILENT failed: $(cat "$state/service-e2e-uninstall.out")"
if wine "$control" state "$name" >/dev/null 2>&1; then fail "the service is still registered"; fi

rm -f "$config" "$stopfile" "$log"
wineserver -k >/dev/null 2>&1
echo "PASS: service end to end"
