# shellcheck shell=bash
# Sourced by test.sh and run.sh: the two builds, and how this machine runs each.
#
# The program ships as a 32-bit .exe (build/); the same sources also build for
# x86_64 (build64/), so that code sized for one pointer width cannot hide. Both
# run on every machine: the 64-bit one under Wine's 64-bit loader, the 32-bit
# one under Wine's 32-bit loader, which runs natively where the kernel runs
# 32-bit code and under qemu-i386's user-mode emulation elsewhere (slower; see
# scripts/wine32.sh).
#
# _ArchSet 32|64 sets archBits, archBuildDir, archToolchain, archWine (win32 or
# win64) and archHow (one line: how this machine runs that build, and why).
#
# On sourcing, KORV3_ARCH picks a build for run.sh: 32 (the default; auto and
# empty mean the same) or 64. Sets the variables above for it and archWhy (one
# line: which build and why).

source "$(dirname "${BASH_SOURCE[0]}")/wine32.sh"

_ArchSet() {
  archBits=$1
  if ((archBits == 32)); then
    archBuildDir=build
    archToolchain=cmake/i686-mingw-posix.cmake
    archWine=win32
    Wine32Route
    archHow="$wine32Why"
  else
    archBuildDir=build64
    archToolchain=cmake/x86_64-mingw-posix.cmake
    archWine=win64
    archHow="by Wine's 64-bit loader"
  fi
}

case ${KORV3_ARCH:-auto} in
  32 | auto) _ArchSet 32; archWhy="the 32-bit build, the one that ships" ;;
  64) _ArchSet 64; archWhy="the 64-bit build (picked by KORV3_ARCH=64)" ;;
  *)
    echo "KORV3_ARCH must be 32, 64 or auto, not '$KORV3_ARCH'" >&2
    return 1
    ;;
esac
