#!/usr/bin/env bash
# Runs an end-to-end script with the Wine environment of setup.sh: run-script.sh STATE SCRIPT ARGS...
set -u
state=${1:?}
script=${2:?}
shift 2
if ! command -v wine >/dev/null 2>&1; then
    echo "SKIPPED: wine is not installed; $(basename "$script") not run"
    exit 77
fi
[ -f "$state/env" ] || { echo "SKIPPED: the Wine fixture (wine.setup) did not run"; exit 77; }
. "$state/env"
export VESPERON_WINE_STATE="$state"
exec bash "$script" "$@"
