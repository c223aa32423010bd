#!/usr/bin/env bash
# What scripts/setup.sh does to apt's settings where it installs qemu-user,
# checked through apt itself on throw-away apt configurations and state folders
# (made-up Release and package files; nothing is fetched or installed, and the
# machine's own settings are not read), so that every check runs on every
# machine:
# - it adds bookworm-backports to the sources only when no active source lists
#   it, under that name or another one whose Release file apt knows as
#   bookworm-backports (commented-out lines, disabled files and disabled entries
#   do not count);
# - its pin leaves every other package's priority as it is and takes qemu-user
#   from bookworm-backports, whatever name the source gives that release;
# - it knows the releases that it supports, and refuses any other in one line.
# Run by scripts/test.sh.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=$(mktemp -d /tmp/setup-test.XXXXXX)
trap 'rm -rf "$work"' EXIT
source "$root/tests/scripts/checks.sh"
source "$root/scripts/setup.sh"

mirror=http://deb.debian.org/debian

# _AptConf DIR: a throw-away apt in DIR (sources.list, sources.list.d, lists,
# preferences.d, an empty dpkg status); prints the path of its apt.conf.
_AptConf() {
  local dir=$1
  mkdir -p "$dir/sources.list.d" "$dir/lists/partial" "$dir/preferences.d" "$dir/conf.d" "$dir/state"
  : >>"$dir/sources.list"
  : >"$dir/status"
  cat >"$dir/apt.conf" <<EOF
Dir::Etc::SourceList "$dir/sources.list";
Dir::Etc::SourceParts "$dir/sources.list.d";
Dir::Etc::Parts "$dir/conf.d";
Dir::Etc::Preferences "/dev/null";
Dir::Etc::PreferencesParts "$dir/preferences.d";
Dir::State "$dir/state";
Dir::State::Lists "$dir/lists";
Dir::State::status "$dir/status";
Dir::Cache "$dir/cache";
Dir::Cache::pkgcache "";
Dir::Cache::srcpkgcache "";
APT::Architecture "amd64";
APT::Architectures { "amd64"; };
EOF
  echo "$dir/apt.conf"
}

# _AptRelease DIR SUITE CODENAME [PACKAGE=VERSION...]: what `apt-get update` would
# have fetched for SUITE of the mirror, as a Release file that names CODENAME
# (a backports one is NotAutomatic, as Debian's are), with those packages.
_AptRelease() {
  local dir=$1 suite=$2 codename=$3 site=${mirror#http://} lists pkg
  shift 3
  lists=$dir/lists/${site//\//_}_dists_$suite
  {
    printf 'Origin: Debian\nLabel: Debian\nSuite: %s\nCodename: %s\n' "$suite" "$codename"
    [[ $codename != *-backports ]] || printf 'NotAutomatic: yes\nButAutomaticUpgrades: yes\n'
    printf 'Architectures: amd64\nComponents: main\n'
  } >"${lists}_Release"
  for pkg in "$@"; do
    printf 'Package: %s\nVersion: %s\nArchitecture: amd64\nDescription: stand-in\n\n' "${pkg%%=*}" "${pkg#*=}"
  done >"${lists}_main_binary-amd64_Packages"
}

echo "== does an active source other than setup.sh's list bookworm-backports?"
main="deb $mirror bookworm main"
backports="deb $mirror bookworm-backports main"
# name | expected (yes/no) | sources.list | Release files fetched (SUITE=CODENAME ...)
#   | file in sources.list.d | its text
cases=(
  "bookworm alone|no|$main|bookworm=bookworm||"
  "a line in sources.list|yes|$main"$'\n'"$backports|||"
  "a commented-out line|no|$main"$'\n'"# $backports|||"
  "a disabled file|no|$main||backports.list.disabled|$backports"
  "a .list file|yes|$main||backports.list|$backports"
  "a deb822 entry with Enabled: no|no|$main||backports.sources|"$'Types: deb\nURIs: http://deb.debian.org/debian\nSuites: bookworm-backports\nComponents: main\nEnabled: no'
  "a deb822 entry among other suites, another mirror|yes|$main||mirror.sources|"$'Types: deb deb-src\nURIs: http://mirror.example/debian\nSuites: bookworm bookworm-updates bookworm-backports\nComponents: main contrib'
  "source packages only|no|$main||src.list|deb-src $mirror bookworm-backports main"
  "contrib only|no|$main||contrib.list|deb $mirror bookworm-backports contrib"
  "setup.sh's own file alone|no|$main||debian-bookworm-backports.sources|$(_BackportsSource)"
  "oldstable-backports, whose Release file apt knows as bookworm-backports|yes|$main|oldstable-backports=bookworm-backports|old.list|deb $mirror oldstable-backports main"
  "stable-backports, whose Release file apt knows as trixie-backports|no|$main|stable-backports=trixie-backports|new.list|deb $mirror stable-backports main"
)
i=0
for entry in "${cases[@]}"; do
  IFS='|' read -r -d '' name want list releases file text <<<"$entry" || true
  text=${text%$'\n'}
  dir=$work/sources-$((i++))
  conf=$(_AptConf "$dir")
  printf '%s\n' "$list" >"$dir/sources.list"
  [[ -z $file ]] || printf '%s\n' "$text" >"$dir/sources.list.d/$file"
  for release in $releases; do
    _AptRelease "$dir" "${release%%=*}" "${release#*=}"
  done
  got=no
  backportsList=$dir/sources.list.d/debian-bookworm-backports.sources \
    APT_CONFIG=$conf _BackportsListedElsewhere 2>/dev/null && got=yes
  _Check "$name: $want" test "$got" == "$want"
done

echo "== the pin changes qemu-user's priority alone, whatever the source calls bookworm-backports"
# A machine with bookworm, its backports and a package that the machine may run
# from backports, with no preferences and with setup.sh's pin alone.
for suite in bookworm-backports oldstable-backports; do
  dir=$work/pin-$suite
  conf=$(_AptConf "$dir")
  printf 'deb [trusted=yes] %s %s main\n' "$mirror" bookworm "$mirror" "$suite" >"$dir/sources.list"
  _AptRelease "$dir" bookworm bookworm \
    qemu-user=1:7.2+dfsg-7 qemu-user-binfmt=1:7.2+dfsg-7 cockpit=287-1 wine=8.0~repack-4
  _AptRelease "$dir" "$suite" bookworm-backports \
    qemu-user=1:10.0.2+ds-1~bpo12+1 qemu-user-binfmt=1:10.0.2+ds-1~bpo12+1 cockpit=337-1~bpo12+1
  for prefs in none pin; do
    rm -f "$dir/preferences.d/"*
    [[ $prefs == none ]] || _Pin >"$dir/preferences.d/korv3-qemu-user-backports"
    # The releases' priorities, then the pinned packages, then the candidates.
    APT_CONFIG=$conf apt-cache policy >"$dir/$prefs.policy" 2>"$dir/$prefs.err" || true
    sed -n "/^Pinned packages:/q; p" "$dir/$prefs.policy" >"$dir/$prefs.releases"
    sed -n "/^Pinned packages:/,\$p" "$dir/$prefs.policy" >"$dir/$prefs.pinned"
    APT_CONFIG=$conf apt-cache policy qemu-user qemu-user-binfmt cockpit wine 2>/dev/null |
      awk '/^[^ ]/ { name = $1 } /Candidate:/ { print name, $2 }' >"$dir/$prefs.candidates"
  done
  _Check "$suite: apt reads the throw-away lists (bookworm-backports at priority 100 without the pin)" \
    grep -qB1 'n=bookworm-backports' "$dir/none.releases"
  _Check "$suite: every release keeps its priority" cmp -s "$dir/none.releases" "$dir/pin.releases"
  _Check "$suite: qemu-user's backports version is taken, at 990" \
    grep -qE '^ +qemu-user -> 1:10\.0\.2\+ds-1~bpo12\+1 with priority 990$' "$dir/pin.pinned"
  _Check "$suite: no other package is pinned but qemu-user-binfmt, kept out" \
    bash -c '! grep -E -- "->" "$1" | grep -vE "^ +qemu-user -> .* 990$|^ +qemu-user-binfmt -> .* -1$"' _ "$dir/pin.pinned"
  _Check "$suite: a package that the machine may run from backports keeps bookworm's candidate" \
    grep -qx 'cockpit: 287-1' "$dir/pin.candidates"
  _Check "$suite: the other candidates are those without the pin" \
    cmp -s <(grep -v '^qemu-user' "$dir/none.candidates") <(grep -v '^qemu-user' "$dir/pin.candidates")
done

echo "== the releases that setup.sh supports"
# name | expected codename, empty for a refusal | os-release's text
releases=(
  "Debian 12|bookworm|"$'PRETTY_NAME="Debian GNU/Linux 12 (bookworm)"\nVERSION_ID="12"\nVERSION_CODENAME=bookworm\nID=debian'
  "Debian 13|trixie|"$'PRETTY_NAME="Debian GNU/Linux 13 (trixie)"\nVERSION_ID="13"\nVERSION_CODENAME=trixie\nID=debian'
  "Debian 13, values in single quotes|trixie|"$'VERSION_ID=\'13\'\nVERSION_CODENAME=\'trixie\'\nID=\'debian\''
  "Debian 11||"$'PRETTY_NAME="Debian GNU/Linux 11 (bullseye)"\nVERSION_ID="11"\nVERSION_CODENAME=bullseye\nID=debian'
  "Debian testing, no version||"$'PRETTY_NAME="Debian GNU/Linux forky/sid"\nVERSION_CODENAME=forky\nID=debian'
  "Ubuntu, like Debian||"$'PRETTY_NAME="Ubuntu 24.04 LTS"\nVERSION_ID="24.04"\nVERSION_CODENAME=noble\nID=ubuntu\nID_LIKE=debian'
  "a Debian 12 codename under another system's name||"$'VERSION_ID="12"\nVERSION_CODENAME=bookworm\nID=raspbian'
  "no os-release at all||"
)
for entry in "${releases[@]}"; do
  IFS='|' read -r -d '' name want text <<<"$entry" || true
  file=$work/os-release
  rm -f "$file"
  [[ -z ${text%$'\n'} ]] || printf '%s\n' "${text%$'\n'}" >"$file"
  code=0
  got=$(_Release "$file" 2>"$work/release.err") || code=$?
  said=$(cat "$work/release.err")
  if [[ -n $want ]]; then
    _Check "$name: $want" test "$got:$code:$said" == "$want:0:"
  else
    _Check "$name: refused in one line that names what is supported" \
      bash -c '[[ $1 != 0 && -z $2 && $3 != *$'"'\n'"'* && $3 == *"Debian 12 (bookworm) and Debian 13 (trixie) only"* ]]' \
      _ "$code" "$got" "$said"
  fi
done

_Checked setup_test
