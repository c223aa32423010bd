#!/usr/bin/env bash
# Installs what building and running the program needs on Debian 12 (bookworm)
# or 13 (trixie); on any other release it stops before changing anything.
# Safe to run again: when everything is there it only asks dpkg and returns.
#
# Where the kernel runs no 32-bit code (or WINE_ENV_QEMU=1 asks for the emulated
# route), it also installs qemu-user, whose qemu-i386 runs Wine's 32-bit loader
# (see scripts/wine32.sh). Trixie's own qemu-user (10) is taken as it is.
# Bookworm's own (7.2) hangs in Wine's set-up, so there it comes from Debian's
# bookworm-backports, which is added to apt's sources unless an active source
# lists it: qemu-user alone is installed from there, by name, and pinned to it;
# no other package's priority or upgrades change. Its binfmt handlers
# (qemu-user-binfmt) are kept out, so the machine does not start other 32-bit
# programs through the emulator.
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

# The pin that setup.sh keeps: qemu-user from bookworm-backports (bookworm's 7.2
# hangs in Wine's set-up), and qemu-user-binfmt never, unless the machine has it
# already: it would register qemu for every foreign program, machine-wide.
# Nothing else from backports changes priority: packages that the machine runs
# from there keep getting their upgrades.
_Pin() {
  cat <<EOF
# From scripts/setup.sh of Korv3 No Intros: $wine32QemuPackage comes from
# bookworm-backports (its qemu-i386 runs Wine's 32-bit loader on kernels that run
# no 32-bit code). No other package's priority is changed here.
Package: $wine32QemuPackage
Pin: release n=bookworm-backports
Pin-Priority: 990
EOF
  if ! _Installed qemu-user-binfmt; then
    cat <<'EOF'

# It would register qemu for every foreign program, machine-wide.
Package: qemu-user-binfmt
Pin: version *
Pin-Priority: -1
EOF
  fi
}

_BackportsSource() {
  cat <<'EOF'
Types: deb
URIs: http://deb.debian.org/debian
Suites: bookworm-backports
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
}

# Whether an active apt source other than setup.sh's own lists bookworm-backports'
# main packages: apt itself reads the sources, so commented-out lines, disabled
# files and "Enabled: no" entries do not count. A source may name the release by
# a suite that moves on with Debian's releases ("oldstable-backports", as the
# archive calls it now): what counts is the codename that apt reports from the
# release's own Release file, or, where apt has not fetched that yet, the name.
_BackportsListedElsewhere() {
  local format=$'$(TARGET_OF)\t$(RELEASE)\t$(CODENAME)\t$(COMPONENT)\t$(SOURCESENTRY)'
  {
    apt-get indextargets --no-release-info --format "$format" 'Created-By: Packages' || true
    apt-get indextargets --format "$format" 'Created-By: Packages' || true
  } 2>/dev/null |
    awk -F '\t' -v own="$backportsList:" '
      $1 == "deb" && ($2 == "bookworm-backports" || $3 == "bookworm-backports") &&
        $4 == "main" && index($5, own) != 1 { found = 1 }
      END { exit !found }'
}

# Prints the codename of the Debian release that FILE (/etc/os-release) names,
# when it is one that setup.sh knows how to set up; otherwise says in one line
# which releases it supports, and fails.
_Release() {
  local file=${1:-/etc/os-release} key value id="" version="" codename="" name=""
  if [[ -r $file ]]; then
    while IFS='=' read -r key value; do
      value=${value#[\"\']}
      value=${value%[\"\']}
      case $key in
        ID) id=$value ;;
        VERSION_ID) version=$value ;;
        VERSION_CODENAME) codename=$value ;;
        PRETTY_NAME) name=$value ;;
      esac
    done <"$file"
  fi
  case $id:$version:$codename in
    debian:12:bookworm | debian:13:trixie)
      echo "$codename"
      return 0
      ;;
  esac
  echo "setup.sh: this machine runs ${name:-a system that $file does not name}; setup.sh" \
    "supports Debian 12 (bookworm) and Debian 13 (trixie) only, and changed nothing" >&2
  return 1
}

# Writes FILE as root with what stdin holds, when it holds something else now.
_WriteAsRoot() {
  local file=$1 text
  text=$(cat)
  [[ -e $file && $(cat "$file") == "$text" ]] && return 0
  _AsRoot "$file"
  printf '%s\n' "$text" | "${asRoot[@]}" tee "$file" >/dev/null
}

# Sourced (by the tests), only the functions above.
[[ ${BASH_SOURCE[0]} == "$0" ]] || return 0

# Before anything is changed: bookworm's sources and pins belong on bookworm.
release=$(_Release) || exit 1

# ---- the packages every machine needs ----

needArch=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  needArch=1
fi

missing=()
for pkg in "${packages[@]}"; do
  _Installed "$pkg" || missing+=("$pkg")
done

updated=0
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
  updated=1
  _Apt install -y --no-install-recommends "${missing[@]}"
fi

# ---- the emulator, where Wine's 32-bit loader runs under it ----

if [[ $release == bookworm ]]; then
  # An earlier setup.sh pinned all of bookworm-backports to priority 1 in this
  # file: it is setup.sh's own, so it is brought to what setup.sh writes now.
  if [[ -e $backportsPin && $(cat "$backportsPin") != "$(_Pin)" ]]; then
    echo "setup.sh: rewriting its pin $backportsPin: it takes $wine32QemuPackage alone from" \
      "bookworm-backports and changes no other package's priority"
    _Pin | _WriteAsRoot "$backportsPin"
  fi
else
  # An earlier setup.sh added bookworm-backports and its pin here too, and the
  # pin kept this release's own, newer qemu-user off: both files are its own.
  if [[ -e $backportsPin ]]; then
    _AsRoot "$backportsPin"
    echo "setup.sh: removing its pin $backportsPin: on $release, $wine32QemuPackage comes from $release itself"
    "${asRoot[@]}" rm -f "$backportsPin"
  fi
  if [[ -e $backportsList && $(cat "$backportsList") == "$(_BackportsSource)" ]]; then
    _AsRoot "$backportsList"
    echo "setup.sh: removing its $backportsList: bookworm's packages do not belong on $release"
    "${asRoot[@]}" rm -f "$backportsList"
  fi
fi

if ! Wine32WantsQemu || Wine32QemuUsable; then
  exit 0
fi

if [[ ${WINE_ENV_QEMU:-0} == 1 ]] && Wine32RunsNatively; then
  because="WINE_ENV_QEMU=1 asks for the emulated route"
else
  because="this kernel runs no 32-bit code"
fi
_AsRoot "$wine32QemuPackage"

if [[ $release == bookworm ]]; then
  echo "setup.sh: $because: installing $wine32QemuPackage from bookworm-backports" \
    "(its qemu-i386 runs Wine's 32-bit loader)"
  # apt names a release by its codename only once it has fetched its Release file.
  ((updated)) || _Apt update
  if _BackportsListedElsewhere; then
    # A second entry would only make apt warn.
    if [[ -e $backportsList && $(cat "$backportsList") == "$(_BackportsSource)" ]]; then
      echo "setup.sh: another source lists bookworm-backports: removing its own $backportsList"
      "${asRoot[@]}" rm -f "$backportsList"
    fi
  else
    echo "setup.sh: adding Debian's bookworm-backports to apt's sources ($backportsList)"
    _BackportsSource | _WriteAsRoot "$backportsList"
  fi

  echo "setup.sh: pinning $wine32QemuPackage to bookworm-backports ($backportsPin)"
  _Pin | _WriteAsRoot "$backportsPin"

  _Apt update
  # By name from that release: nothing else is taken from there.
  _Apt install -y --no-install-recommends "$wine32QemuPackage/bookworm-backports"
else
  # The release's own: new enough, and kept up to date with the rest.
  echo "setup.sh: $because: installing $wine32QemuPackage from Debian $release" \
    "(its qemu-i386 runs Wine's 32-bit loader)"
  ((updated)) || _Apt update
  _Apt install -y --no-install-recommends "$wine32QemuPackage"
fi

if ! Wine32QemuUsable; then
  echo "setup.sh: $wine32Qemu is not there or older than $wine32QemuMinMajor" \
    "(found: '$(Wine32QemuVersion)') after installing $wine32QemuPackage" >&2
  exit 1
fi
echo "setup.sh: $wine32Qemu $(Wine32QemuVersion) is ready"
