#!/usr/bin/env bash
# Runs one Windows program under the Wine prefix of setup.sh: run.sh STATE EXE [ARGS...]
# Power requests are always simulated: the fixture's env sets VESPERON_SIMULATE_POWER.
set -u
state=${1:?usage: run.sh STATE EXE [ARGS]}
exe=${2:?usage: run.sh STATE EXE [ARGS]}
shift 2
if ! command -v wine >/dev/null 2>&1; then
    echo "SKIPPED: wine is not installed; $(basename "$exe") not run"
    exit 77
fi
if [ ! -f "$state/env" ]; then
    echo "SKIPPED: the Wine fixture (wine.setup) did not run"
    exit 77
fi
. "$state/env"
exec wine "$exe" "$@"
