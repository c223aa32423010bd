# shellcheck shell=bash
# Sourced by setup.sh, arch.sh and wine-env.sh: how this machine runs Debian's
# 32-bit Wine, which the shipped 32-bit program and its tests need.
#
# Where the kernel runs 32-bit code, Wine's 32-bit loader runs as it is. Some
# kernels run none at all (the loader fails with "Exec format error", and
# Wine's own WoW64 cannot help: 32-bit code gets no code segment to run in).
# There the same loader runs under qemu-i386's user-mode emulation, qemu 10 or
# newer: trixie's own, or on bookworm the one from bookworm-backports (bookworm's
# own 7.2 hangs in wineboot --init).
#
# WINE_ENV_QEMU=1 takes the emulated route even where the kernel would run the
# loader itself (to try that route on such a machine).

wine32Loader=/usr/lib/wine/wine
wine32Qemu=/usr/bin/qemu-i386
wine32QemuPackage=qemu-user
wine32QemuMinMajor=10

# Whether the kernel starts Wine's 32-bit loader.
Wine32RunsNatively() {
  [[ -x $wine32Loader ]] && "$wine32Loader" --version </dev/null >/dev/null 2>&1
}

# The emulator's version ("10.0.2"), empty when there is none.
Wine32QemuVersion() {
  [[ -x $wine32Qemu ]] || return 0
  "$wine32Qemu" --version </dev/null 2>/dev/null | sed -n '1s/^qemu-i386 version \([0-9][0-9.]*\).*/\1/p'
}

Wine32QemuUsable() {
  local version
  version=$(Wine32QemuVersion)
  [[ -n $version ]] && ((${version%%.*} >= wine32QemuMinMajor))
}

# Whether the 32-bit loader is to run under the emulator: where the kernel
# cannot start it, or where WINE_ENV_QEMU=1 asks for that.
Wine32WantsQemu() {
  [[ ${WINE_ENV_QEMU:-0} == 1 ]] || ! Wine32RunsNatively
}

# Sets wine32Route (native, qemu or none) and wine32Why (one line: how and why).
Wine32Route() {
  if ! Wine32WantsQemu; then
    wine32Route=native
    wine32Why="natively by Wine's 32-bit loader (this kernel runs 32-bit code)"
    return 0
  fi
  local because="this kernel runs no 32-bit code"
  [[ ${WINE_ENV_QEMU:-0} == 1 ]] && because="WINE_ENV_QEMU=1 asks for it"
  if Wine32QemuUsable; then
    wine32Route=qemu
    wine32Why="by Wine's 32-bit loader under qemu-i386 $(Wine32QemuVersion) user-mode emulation ($because; slower)"
  else
    wine32Route=none
    local found setup="bash scripts/setup.sh"
    found=$(Wine32QemuVersion)
    [[ ${WINE_ENV_QEMU:-0} == 1 ]] && setup="WINE_ENV_QEMU=1 $setup"
    wine32Why="not at all: $because and there is no qemu-i386 $wine32QemuMinMajor or newer${found:+ (found $found)}; $setup installs it"
  fi
}

# Prints WORD quoted for sh, whatever it holds.
_Wine32ShQuote() {
  local q="'\\''"
  printf "'%s'" "${1//\'/$q}"
}

# Makes DIR a folder from which the emulated 32-bit Wine runs, and prints the
# path of its loader. Wine starts every new process of a prefix (Notepad,
# programs that a test starts) through `wine` in the folder of the loader that
# runs, found from the running image's path, and takes its libraries and data
# from beside that folder. So the folder is laid out like /usr/lib/wine:
#   DIR/lib/wine/wine        this script's wrapper: qemu-i386 runs the copy
#                            below with argv[0] pointing back at the wrapper
#   DIR/lib/wine/wine-i386   a copy of the 32-bit loader (a link would resolve
#                            back to /usr/lib/wine, whose `wine` the kernel
#                            cannot start)
#   DIR/lib/wine/wineserver  Debian's, which runs the 64-bit server: one
#                            server serves both kinds of process
#   DIR/lib/i386-linux-gnu, DIR/share/wine  links to the system's
# WINELOADERNOEXEC=1 keeps the loader from starting Wine's preloader, a native
# 32-bit program of its own, which the kernel cannot start either.
# Safe to run again on the same DIR.
Wine32MakeEmulatedLoader() {
  local dir=$1 bin
  mkdir -p "$dir" || return 1
  dir=$(cd "$dir" && pwd) || return 1
  bin=$dir/lib/wine
  mkdir -p "$bin" "$dir/share" || return 1
  ln -sfn /usr/lib/i386-linux-gnu "$dir/lib/i386-linux-gnu" || return 1
  ln -sfn /usr/share/wine "$dir/share/wine" || return 1
  ln -sfn /usr/lib/wine/wineserver "$bin/wineserver" || return 1
  cp -f "$wine32Loader" "$bin/wine-i386.new" && mv -f "$bin/wine-i386.new" "$bin/wine-i386" || return 1
  # The wrapper finds its folder when it runs: a path written into it would have
  # to survive sh's quoting, and a temp folder's path may hold any character.
  {
    cat <<'EOF'
#!/bin/sh
# Wine's 32-bit loader under user-mode emulation: this machine's kernel runs no
# 32-bit code. Made by scripts/wine32.sh.
case $0 in
  */*) bin=${0%/*} ;;
  *) bin=$(command -v "$0") && bin=${bin%/*} ;;
esac
case $bin in
  /*) ;;
  *) bin=$PWD/$bin ;;
esac
export WINELOADERNOEXEC=1
EOF
    printf 'exec %s -0 "$bin/wine" "$bin/wine-i386" "$@"\n' "$(_Wine32ShQuote "$wine32Qemu")"
  } >"$bin/wine.new" || return 1
  chmod 755 "$bin/wine.new" && mv -f "$bin/wine.new" "$bin/wine" || return 1
  echo "$bin/wine"
}
