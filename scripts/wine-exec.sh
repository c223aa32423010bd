#!/bin/sh
# ctest's emulator for the Windows test programs: `wine-exec.sh win32|win64
# prog.exe args...` runs the program under the Wine that scripts/wine-env.sh set
# up in the calling shell, so the way Wine is started (natively or under
# emulation) is chosen when the tests run, not when the build is configured.
# The first argument is the kind of prefix the build's programs need.
want=$1
shift
if [ -z "${WINE_ENV_LOADER:-}" ]; then
  echo "wine-exec: no Wine in this shell: run the tests through scripts/test.sh," \
    "or source scripts/wine-env.sh first with WINE_ENV_ARCH=$want" >&2
  exit 2
fi
if [ "${WINEARCH:-}" != "$want" ]; then
  echo "wine-exec: this build's programs need a $want prefix (WINE_ENV_ARCH=$want)," \
    "but the Wine in this shell is ${WINEARCH:-of no kind}" >&2
  exit 2
fi
exec "$WINE_ENV_LOADER" "$@"
