#!/usr/bin/env bash
# Builds everything (native with ASan+UBSan, native with TSan, MinGW-w64 for Wine) and runs every
# test in one ctest run. Usage: scripts/test.sh [BUILD_DIR]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja
cmake --build "$build"
cd "$build"
ctest --output-on-failure -j2 --timeout 900
