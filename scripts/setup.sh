#!/usr/bin/env bash
# Installs what building and running the program needs on Debian 12.
# Safe to run again: when everything is there it only asks dpkg and returns.
set -euo pipefail

packages=(
  wine wine32:i386 wine64 fonts-wine fonts-dejavu-core
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix cmake ninja-build
  xvfb xdotool imagemagick googletest x11-utils
)

needArch=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  needArch=1
fi

missing=()
for pkg in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$pkg" 2>/dev/null || true)
  if [[ $status != installed ]]; then
    missing+=("$pkg")
  fi
done

if ((needArch == 0 && ${#missing[@]} == 0)); then
  exit 0
fi

asRoot=()
if ((EUID != 0)); then
  if command -v sudo >/dev/null 2>&1; then
    asRoot=(sudo)
  else
    echo "setup.sh: must run as root to install: ${missing[*]}" >&2
    exit 1
  fi
fi

export DEBIAN_FRONTEND=noninteractive
if ((needArch)); then
  echo "setup.sh: adding the i386 architecture"
  "${asRoot[@]}" dpkg --add-architecture i386
  # wine32:i386 may have been reported missing only because i386 was unknown.
  missing=("${packages[@]}")
fi

echo "setup.sh: installing ${missing[*]}"
"${asRoot[@]}" apt-get -o DPkg::Lock::Timeout=300 update
"${asRoot[@]}" apt-get -o DPkg::Lock::Timeout=300 install -y --no-install-recommends "${missing[@]}"
