# shellcheck shell=bash
# Sourced by test.sh and run.sh: which of the two builds this machine runs.
#
# The program ships as a 32-bit .exe. Some kernels cannot run 32-bit Linux
# code at all, and Debian's 32-bit Wine loader is such code: there the same
# sources are built for x86_64 and run under Wine's 64-bit loader.
#
# KORV3_ARCH=32 or 64 forces a build; unset (or auto) asks the machine.
# Sets: archBits (32 or 64), archBuildDir, archToolchain, archWine (win32 or
# win64) and archWhy (one line: which build and why).

_ArchSet() {
  archBits=$1
  if ((archBits == 32)); then
    archBuildDir=build
    archToolchain=cmake/i686-mingw-posix.cmake
    archWine=win32
  else
    archBuildDir=build64
    archToolchain=cmake/x86_64-mingw-posix.cmake
    archWine=win64
  fi
}

# The 32-bit loader starting at all is the test: on a kernel without 32-bit
# emulation it fails with "Exec format error".
_ArchRuns32() {
  [[ -x /usr/lib/wine/wine ]] && /usr/lib/wine/wine --version </dev/null >/dev/null 2>&1
}

case ${KORV3_ARCH:-auto} in
  32) _ArchSet 32; archWhy="the 32-bit build (forced by KORV3_ARCH=32)" ;;
  64) _ArchSet 64; archWhy="the 64-bit build (forced by KORV3_ARCH=64)" ;;
  auto | "")
    if _ArchRuns32; then
      _ArchSet 32
      archWhy="the 32-bit build (the one that ships; this machine runs 32-bit code)"
    else
      _ArchSet 64
      archWhy="the 64-bit build (this machine cannot run 32-bit code: Wine's 32-bit loader does not start)"
    fi
    ;;
  *)
    echo "KORV3_ARCH must be 32, 64 or auto, not '$KORV3_ARCH'" >&2
    return 1
    ;;
esac
