#!/usr/bin/env bash
# Stops the Wine server and the Xvfb display that setup.sh started.
set -u
state=${1:?usage: cleanup.sh STATE_DIR}
if [ -f "$state/env" ]; then
    . "$state/env"
    wineserver -k >/dev/null 2>&1 || true
fi
if [ -f "$state/xvfb.pid" ]; then
    kill "$(cat "$state/xvfb.pid")" >/dev/null 2>&1 || true
    rm -f "$state/xvfb.pid"
fi
exit 0
