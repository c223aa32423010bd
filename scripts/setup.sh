#!/usr/bin/env bash
# Installs what building and running the program needs on Debian 12.
# Safe to run again: when everything is there it only asks dpkg and returns.
#
# Where the kernel runs no 32-bit code, it also installs qemu-user, whose
# qemu-i386 runs Wine's 32-bit loader (see scripts/wine32.sh). Bookworm's own
# qemu (7.2) hangs in Wine's set-up, so it comes from Debian's bookworm-backports,
# which is added for that one package: a pin keeps everything else from there.
# Its binfmt handlers (qemu-user-binfmt) are never installed, so the machine
# does not start other 32-bit programs through the emulator.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/wine32.sh"

packages=(
  wine wine32:i386 wine64 fonts-wine fonts-dejavu-core
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix cmake ninja-build
  xvfb xdotool imagemagick googletest x11-utils
)

backportsList=/etc/apt/sources.list.d/debian-bookworm-backports.sources
backportsPin=/etc/apt/preferences.d/korv3-qemu-user-backports

asRoot=()
_AsRoot() {
  if ((EUID != 0)) && ((${#asRoot[@]} == 0)); then
    if command -v sudo >/dev/null 2>&1; then
      asRoot=(sudo)
    else
      echo "setup.sh: must run as root to install: $*" >&2
      exit 1
    fi
  fi
}

_Apt() {
  DEBIAN_FRONTEND=noninteractive "${asRoot[@]}" apt-get -o DPkg::Lock::Timeout=300 "$@"
}

_Installed() {
  [[ $(dpkg-query -W -f='${db:Status-Status}' "$1" 2>/dev/null || true) == installed ]]
}

# ---- the packages every machine needs ----

needArch=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  needArch=1
fi

missing=()
for pkg in "${packages[@]}"; do
  _Installed "$pkg" || missing+=("$pkg")
done

if ((needArch || ${#missing[@]})); then
  _AsRoot "${missing[@]}"
  if ((needArch)); then
    echo "setup.sh: adding the i386 architecture"
    "${asRoot[@]}" dpkg --add-architecture i386
    # wine32:i386 may have been reported missing only because i386 was unknown.
    missing=("${packages[@]}")
  fi
  echo "setup.sh: installing ${missing[*]}"
  _Apt update
  _Apt install -y --no-install-recommends "${missing[@]}"
fi

# ---- the emulator, where the kernel runs no 32-bit code ----

if Wine32RunsNatively || Wine32QemuUsable; then
  exit 0
fi

_AsRoot "$wine32QemuPackage"
echo "setup.sh: this kernel runs no 32-bit code: installing $wine32QemuPackage from bookworm-backports" \
  "(its qemu-i386 runs Wine's 32-bit loader)"

# Another file may list bookworm-backports already; a second entry only makes
# apt warn.
if ! grep -rqs --exclude="$(basename "$backportsList")" 'bookworm-backports' \
  /etc/apt/sources.list /etc/apt/sources.list.d/; then
  echo "setup.sh: adding Debian's bookworm-backports to apt's sources ($backportsList)"
  "${asRoot[@]}" tee "$backportsList" >/dev/null <<'EOF'
Types: deb
URIs: http://deb.debian.org/debian
Suites: bookworm-backports
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
fi

echo "setup.sh: pinning bookworm-backports to $wine32QemuPackage alone ($backportsPin)"
"${asRoot[@]}" tee "$backportsPin" >/dev/null <<EOF
# From scripts/setup.sh of Korv3 No Intros: of bookworm-backports only
# $wine32QemuPackage is taken (its qemu-i386 runs Wine's 32-bit loader on kernels
# that run no 32-bit code); nothing else is installed or upgraded from there.
Package: $wine32QemuPackage
Pin: release n=bookworm-backports
Pin-Priority: 990

Package: *
Pin: release n=bookworm-backports
Pin-Priority: 1

# It would register qemu for every foreign program, machine-wide.
Package: qemu-user-binfmt
Pin: version *
Pin-Priority: -1
EOF

_Apt update
_Apt install -y --no-install-recommends "$wine32QemuPackage"

if ! Wine32QemuUsable; then
  echo "setup.sh: $wine32Qemu is not there or older than $wine32QemuMinMajor" \
    "(found: '$(Wine32QemuVersion)') after installing $wine32QemuPackage" >&2
  exit 1
fi
echo "setup.sh: $wine32Qemu $(Wine32QemuVersion) is ready"
