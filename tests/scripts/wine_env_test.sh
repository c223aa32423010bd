#!/usr/bin/env bash
# scripts/wine-env.sh with a kept prefix (WINE_ENV_PREFIX), in throw-away folders:
# - a folder that it did not make (a player's prefix with a game in it, or any
#   other files) is refused with one line and left exactly as it was;
# - a prefix that it began and left half made is made again;
# - one kept prefix never gets two wineservers: the server of a shell killed
#   outright is stopped by the next shell, and a second shell on a prefix that a
#   live shell uses waits for it, or gives up clearly when told not to wait.
# Uses a win64 prefix, the quickest to make. Run by scripts/test.sh.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=$(mktemp -d /tmp/wine-env-test.XXXXXX)
source "$root/tests/scripts/checks.sh"

# The wineservers serving prefix DIR: a server works in a folder named after
# the prefix's device and inode. `wineserver -k` and `-w` work there too for a
# moment, as clients: they are not counted.
_Servers() {
  local dir=$1 id pid
  [[ -d $dir ]] || return 0
  id=server-$(stat -c %D "$dir")-$(printf %x "$(stat -c %i "$dir")")
  for pid in $(pgrep '^wineserver' || true); do
    [[ $(readlink "/proc/$pid/cwd" 2>/dev/null) == */"$id" ]] || continue
    [[ $(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null) =~ \ -[kw]( |$) ]] && continue
    echo "$pid"
  done
  return 0
}

# Everything about a folder's tree that a change would show: names, kinds,
# sizes, times, link targets and contents.
_Snapshot() {
  (cd "$1" && find . -printf '%p %y %s %T@ %l\n' | sort && find . -type f -exec md5sum {} + | sort)
}

# Starts a shell in the background that sources wine-env.sh on PREFIX, notes
# its Xvfb and then waits until it is ended. Its output goes to $work/NAME.log.
declare -A shellPid
_StartShell() {
  local name=$1 prefix=$2
  shift 2
  env "$@" TMPDIR="$work" WINE_ENV_ARCH=win64 WINE_ENV_PREFIX="$prefix" \
    WINE_ENV_LOG="$work/$name-setup.log" bash -c '
      source "$1/scripts/wine-env.sh" || exit 3
      echo "$_weXvfbPid" >"$2.xvfb"
      : >"$2.ready"
      tail --pid=$$ -f /dev/null &
      wait $!
    ' _ "$root" "$work/$name" </dev/null >"$work/$name.log" 2>&1 &
  shellPid[$name]=$!
}

# Waits up to SECONDS for shell NAME to be set up; fails when it ended first.
_WaitReady() {
  local name=$1 seconds=$2 i
  for ((i = 0; i < seconds * 10; i++)); do
    [[ -e $work/$name.ready ]] && return 0
    kill -0 "${shellPid[$name]}" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

_Ended() {
  local pid=$1 seconds=$2 i
  for ((i = 0; i < seconds * 10; i++)); do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.1
  done
  return 1
}

# Waits up to 30 s for FILE to hold a line matching PATTERN.
_Said() {
  local i
  for ((i = 0; i < 300; i++)); do
    grep -q "$2" "$1" 2>/dev/null && return 0
    sleep 0.1
  done
  return 1
}

_CleanUp() {
  local name pid prefix
  for name in "${!shellPid[@]}"; do
    kill "${shellPid[$name]}" 2>/dev/null || true
  done
  for name in "${!shellPid[@]}"; do
    _Ended "${shellPid[$name]}" 30 || kill -KILL "${shellPid[$name]}" 2>/dev/null || true
    pid=$(cat "$work/$name.xvfb" 2>/dev/null || true)
    [[ -n $pid ]] && kill "$pid" 2>/dev/null || true
  done
  for prefix in "$work"/*.prefix; do
    [[ -d $prefix ]] || continue
    for pid in $(_Servers "$prefix"); do
      kill -KILL "$pid" 2>/dev/null || true
    done
  done
  rm -rf "$work"
}
trap _CleanUp EXIT

echo "== folders that wine-env.sh did not make are refused and left as they were"
mkdir -p "$work/foreign"
# A player's own prefix with a game installed.
player=$work/foreign/player.prefix
mkdir -p "$player/drive_c/Games/Korv3/video" "$player/dosdevices"
echo 'WINE REGISTRY Version 2' >"$player/system.reg"
echo 'WINE REGISTRY Version 2' >"$player/user.reg"
ln -s ../drive_c "$player/dosdevices/c:"
echo 'the intro movie' >"$player/drive_c/Games/Korv3/video/Intr_korv_e.bik"
# What a prefix begins with, and a folder that is no prefix at all.
mkdir -p "$work/foreign/drive-c-only.prefix/drive_c/windows"
echo 'saved game' >"$work/foreign/drive-c-only.prefix/drive_c/windows/save.dat"
mkdir -p "$work/foreign/notes.prefix"
echo 'my notes' >"$work/foreign/notes.prefix/notes.txt"
before=$(_Snapshot "$work/foreign")
for prefix in "$work"/foreign/*.prefix; do
  code=0
  TMPDIR=$work WINE_ENV_ARCH=win64 WINE_ENV_PREFIX=$prefix WINE_ENV_LOG=$work/foreign.log \
    bash -c 'source "$1/scripts/wine-env.sh"' _ "$root" </dev/null >"$work/refused.out" 2>"$work/refused.err" || code=$?
  message=$(cat "$work/refused.err")
  _Check "$(basename "$prefix"): refused" test "$code" -ne 0
  _Check "$(basename "$prefix"): one line naming the folder and the way on ($message)" \
    bash -c '[[ $(wc -l <"$1") == 1 ]] && grep -qF "not touching $2:" "$1" && grep -q "by hand" "$1"' _ \
    "$work/refused.err" "$prefix"
  _Check "$(basename "$prefix"): no wineserver started on it" test -z "$(_Servers "$prefix")"
done
_Check "the folders and everything in them are unchanged, nothing added beside them" \
  test "$before" == "$(_Snapshot "$work/foreign")"

echo "== a prefix that wine-env.sh began is made again"
kept=$work/kept.prefix
mkdir -p "$kept/drive_c"
echo 'begun by scripts/wine-env.sh' >"$kept/.wine-env-own"
: >"$kept/drive_c/left-over"
_StartShell first "$kept"
_Check "the first shell is set up (making the prefix)" _WaitReady first 300
_Check "the half-made prefix was made again" \
  bash -c '[[ -e $1/.wine-env-ready && -e $1/system.reg && ! -e $1/drive_c/left-over ]]' _ "$kept"
firstServer=$(_Servers "$kept")
_Check "one wineserver serves the kept prefix ($firstServer)" test "$(wc -w <<<"$firstServer")" == 1

echo "== a shell killed outright: the next shell stops the server it left"
kill -KILL "${shellPid[first]}"
wait "${shellPid[first]}" 2>/dev/null || true
unset 'shellPid[first]'
kill "$(cat "$work/first.xvfb")" 2>/dev/null || true
_Check "the killed shell's server is still running" kill -0 "$firstServer"
_StartShell second "$kept"
_Check "the second shell is set up" _WaitReady second 120
_Check "the killed shell's server is gone" _Ended "$firstServer" 5
secondServer=$(_Servers "$kept")
_Check "one wineserver serves the kept prefix ($secondServer)" test "$(wc -w <<<"$secondServer")" == 1

echo "== a shell on a prefix that a live shell uses"
# Debian's wineserver notes in the prefix where its socket is.
socketNote=$(cat "$kept/wineserver")
start=$SECONDS
_StartShell impatient "$kept" WINE_ENV_WAIT=1
code=0
if _Ended "${shellPid[impatient]}" 30; then
  wait "${shellPid[impatient]}" || code=$?
  unset 'shellPid[impatient]'
fi
_Check "told not to wait, it gives up at once (exit code $code, $((SECONDS - start)) s)" \
  test "$code" -ne 0 -a $((SECONDS - start)) -lt 20
_Check "and says that the prefix is in use, by which shell" \
  grep -qF "is still in use by pid ${shellPid[second]}" "$work/impatient.log"
_Check "the live shell's server is untouched and alone" test "$(_Servers "$kept")" == "$secondServer"
_Check "and the prefix still tells where that server is" test "$(cat "$kept/wineserver")" == "$socketNote"

_StartShell patient "$kept"
_Check "another one says that it waits for the live shell" _Said "$work/patient.log" "waiting up to"
sleep 1
_Check "and waits" test ! -e "$work/patient.ready"
_Check "the live shell's server is still alone" test "$(_Servers "$kept")" == "$secondServer"
kill "${shellPid[second]}"
_Check "the live shell ends and stops its server" _Ended "$secondServer" 30
_Check "then the waiting shell is set up" _WaitReady patient 120
patientServer=$(_Servers "$kept")
_Check "one wineserver serves the kept prefix ($patientServer)" test "$(wc -w <<<"$patientServer")" == 1
kill "${shellPid[patient]}"
_Check "the last shell ends" _Ended "${shellPid[patient]}" 30
_Check "and leaves no server and a free lock" \
  bash -c '[[ -z $2 ]] && flock -n "$1.wine-env/lock" true' _ "$kept" "$(_Servers "$kept")"

if ! _Checked wine_env_test; then
  echo "the shells' logs:"
  for log in "$work"/*.log; do
    echo "--- $(basename "$log")"
    tail -n 15 "$log"
  done
  exit 1
fi
