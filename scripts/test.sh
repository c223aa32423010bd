#!/usr/bin/env bash
# Builds everything and runs every test under Wine on a private Xvfb.
# Does all set-up itself on a fresh Debian 12 machine (as root); safe to rerun.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

bash scripts/setup.sh

cmake --no-warn-unused-cli -G Ninja -S . -B build -DCMAKE_TOOLCHAIN_FILE=cmake/i686-mingw-posix.cmake
cmake --build build --parallel "$(nproc)"

# From here on the trap set by wine-env.sh tears the Wine set-up down on any exit.
source scripts/wine-env.sh

status=0
ctest --test-dir build --output-on-failure --timeout 300 || status=$?
exit "$status"
