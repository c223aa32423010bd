#!/usr/bin/env bash
# Builds everything and runs every test under Wine on a private Xvfb.
# Does all set-up itself on a fresh Debian 12 machine (as root); safe to rerun.
#
# Both the 32-bit build (build/) and the 64-bit build (build64/) are made every
# time, so that neither breaks unnoticed; the tests run on the 32-bit one where
# this machine runs 32-bit code, otherwise on the 64-bit one.
# KORV3_ARCH=32 or 64 picks the build to test (see scripts/arch.sh).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

bash scripts/setup.sh
source scripts/arch.sh

for bits in 32 64; do
  _ArchSet "$bits"
  echo "test.sh: building the $bits-bit program and its tests in $archBuildDir/"
  cmake --no-warn-unused-cli -G Ninja -S . -B "$archBuildDir" -DCMAKE_TOOLCHAIN_FILE="$archToolchain" >/dev/null
  cmake --build "$archBuildDir" --parallel "$(nproc)"
done

source scripts/arch.sh
echo "test.sh: testing $archWhy"

# From here on the trap set by wine-env.sh tears the Wine set-up down on any exit.
export WINE_ENV_ARCH=$archWine
export WINE_ENV_LOG=$PWD/$archBuildDir/wine-setup.log
source scripts/wine-env.sh

status=0
ctest --test-dir "$archBuildDir" --output-on-failure --timeout 300 || status=$?
echo "test.sh: tested $archWhy"
exit "$status"
