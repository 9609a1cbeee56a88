#!/usr/bin/env bash
# Installs what building and testing need on Debian 12 (run as root).
set -eu
packages="cmake ninja-build g++ make googletest libgtest-dev libgmock-dev clang-format
 g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-x86-64-dev binutils-mingw-w64-x86-64
 wine wine64 xvfb xauth"
missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    echo "Installing:$missing"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update
    apt-get install -y --no-install-recommends $missing
fi
