#!/usr/bin/env bash
# What scripts/setup.sh does to apt's settings where it installs qemu-user,
# checked through apt itself on throw-away settings (nothing is installed and
# the machine's own settings are only read):
# - it adds bookworm-backports to the sources only when no active source lists
#   it (commented-out lines, disabled files and disabled entries do not count);
# - its pin leaves every other package's priority as it is and takes qemu-user
#   from bookworm-backports.
# Run by scripts/test.sh.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=$(mktemp -d /tmp/setup-test.XXXXXX)
trap 'rm -rf "$work"' EXIT
source "$root/tests/scripts/checks.sh"
source "$root/scripts/setup.sh"

echo "== does an active source other than setup.sh's list bookworm-backports?"
main='deb http://deb.debian.org/debian bookworm main'
backports='deb http://deb.debian.org/debian bookworm-backports main'
# name | expected (yes/no) | sources.list | file in sources.list.d | its text
cases=(
  "bookworm alone|no|$main||"
  "a line in sources.list|yes|$main"$'\n'"$backports||"
  "a commented-out line|no|$main"$'\n'"# $backports||"
  "a disabled file|no|$main|backports.list.disabled|$backports"
  "a .list file|yes|$main|backports.list|$backports"
  "a deb822 entry with Enabled: no|no|$main|backports.sources|"$'Types: deb\nURIs: http://deb.debian.org/debian\nSuites: bookworm-backports\nComponents: main\nEnabled: no'
  "a deb822 entry among other suites, another mirror|yes|$main|mirror.sources|"$'Types: deb deb-src\nURIs: http://mirror.example/debian\nSuites: bookworm bookworm-updates bookworm-backports\nComponents: main contrib'
  "source packages only|no|$main|src.list|deb-src http://deb.debian.org/debian bookworm-backports main"
  "contrib only|no|$main|contrib.list|deb http://deb.debian.org/debian bookworm-backports contrib"
  "setup.sh's own file alone|no|$main|debian-bookworm-backports.sources|$(_BackportsSource)"
)
i=0
for entry in "${cases[@]}"; do
  IFS='|' read -r -d '' name want list file text <<<"$entry" || true
  text=${text%$'\n'}
  dir=$work/sources-$((i++))
  mkdir -p "$dir/sources.list.d"
  printf '%s\n' "$list" >"$dir/sources.list"
  [[ -z $file ]] || printf '%s\n' "$text" >"$dir/sources.list.d/$file"
  # No package lists: apt only reads the sources (and quickly).
  mkdir -p "$dir/lists"
  printf 'Dir::Etc::SourceList "%s";\nDir::Etc::SourceParts "%s";\nDir::State::Lists "%s";\n' \
    "$dir/sources.list" "$dir/sources.list.d" "$dir/lists" >"$dir/apt.conf"
  printf 'Dir::Cache::pkgcache "";\nDir::Cache::srcpkgcache "";\n' >>"$dir/apt.conf"
  got=no
  backportsList=$dir/sources.list.d/debian-bookworm-backports.sources \
    APT_CONFIG=$dir/apt.conf _BackportsListedElsewhere 2>/dev/null && got=yes
  _Check "$name: $want" test "$got" == "$want"
done

echo "== the pin changes qemu-user's priority alone"
# The machine's package lists, with no preferences and with setup.sh's pin alone.
mkdir -p "$work/none" "$work/pin"
_Pin >"$work/pin/korv3-qemu-user-backports"
for prefs in none pin; do
  printf 'Dir::Etc::Preferences "/dev/null";\nDir::Etc::PreferencesParts "%s";\n' \
    "$work/$prefs" >"$work/$prefs.conf"
  # The releases' priorities, then the pinned packages.
  APT_CONFIG=$work/$prefs.conf apt-cache policy >"$work/$prefs.policy" 2>/dev/null || true
  sed -n "/^Pinned packages:/q; p" "$work/$prefs.policy" >"$work/$prefs.releases"
  sed -n "/^Pinned packages:/,\$p" "$work/$prefs.policy" >"$work/$prefs.pinned"
done
if grep -q 'n=bookworm-backports' "$work/none.releases"; then
  _Check "every release keeps its priority (bookworm-backports: $(
    grep -B1 'n=bookworm-backports' "$work/pin.releases" | awk 'NR == 1 { print $1 }'))" \
    cmp -s "$work/none.releases" "$work/pin.releases"
  _Check "qemu-user's backports version is taken" \
    grep -qE '^ +qemu-user -> [^ ]*~bpo12[^ ]* with priority 990$' "$work/pin.pinned"
  _Check "no other package is pinned but qemu-user-binfmt, kept out" \
    bash -c '! grep -E -- "->" "$1" | grep -vE "^ +qemu-user -> .* 990$|^ +qemu-user-binfmt -> .* -1$"' _ "$work/pin.pinned"
else
  echo "skipped: apt knows no bookworm-backports here, so there are no priorities to compare"
fi

_Checked setup_test
