#!/usr/bin/env bash
# Until the desktop program exists: shows what the Windows build holds.
set -eu
build=${1:?}
bin="$build/Vesperon/Bin"
echo "Built programs in $bin:"
ls -l "$bin"
