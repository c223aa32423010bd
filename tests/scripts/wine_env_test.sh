#!/usr/bin/env bash
# scripts/wine-env.sh with a kept prefix (WINE_ENV_PREFIX), in throw-away folders:
# - a folder that it did not make (a player's prefix with a game in it, or any
#   other files) is refused with one line and left exactly as it was;
# - so is, at once, a path that it cannot use as given (under a file, a link to
#   nowhere, with a `"` or a newline) and a WINE_ENV_WAIT that is no number;
# - a prefix that it began and left half made is set up again over what is in
#   it, a player's files kept;
# - one kept prefix never gets two wineservers: the server of a shell killed
#   outright with its watcher is stopped by the next shell, and a second shell
#   on a prefix that a live shell uses waits for it, or gives up clearly when
#   told not to wait;
# - an inherited TMPDIR reaches no Wine process (Debian 13's Wine aborts then).
# Uses a win64 prefix, the quickest to make. Run by scripts/test.sh.
# A failing command is a failed check, not the end: the checks after it and the
# shells' logs still show.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=$(mktemp -d /tmp/wine-env-test.XXXXXX)
source "$root/tests/scripts/checks.sh"
source "$root/tests/scripts/wine_shells.sh"
_RemoveWorkAtEnd

# Everything about a folder's tree that a change would show: names, kinds,
# sizes, times, link targets and contents.
_Snapshot() {
  (cd "$1" && find . -printf '%p %y %s %T@ %l\n' | sort && find . -type f -exec md5sum {} + | sort)
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
  for path in "/$unique" "/$unique.wine-env" "/$unique.log"; do
    [[ -e $path ]] && rm -rf "$path"
  done
  rm -rf "$work"
}
# What a path under a file was worked out as: a path at / that only this run names.
unique=wine-env-test-${work##*.}
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
  WINE_ENV_ARCH=win64 WINE_ENV_PREFIX=$prefix WINE_ENV_LOG=$work/foreign.log \
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

echo "== paths that it cannot use, and a WINE_ENV_WAIT that is no number, are refused at once in one line"
paths=$work/paths
mkdir -p "$paths"
: >"$paths/afile"
ln -s "$paths/nowhere" "$paths/dangling"
# variable, value, what the line says
refusals=(
  WINE_ENV_PREFIX "$paths/afile/$unique" "$paths/afile is not a folder"
  WINE_ENV_PREFIX "$paths/afile/sub/$unique" "$paths/afile is not a folder"
  WINE_ENV_LOG "$paths/afile/$unique.log" "$paths/afile is not a folder"
  WINE_ENV_PREFIX "$paths/dangling" "link to nowhere"
  WINE_ENV_PREFIX "$paths/dangling/prefix" "link to nowhere"
  WINE_ENV_PREFIX "$paths/with\"quote" 'holds a "'
  WINE_ENV_PREFIX "$paths/new"$'\n'"line" "holds a newline"
  WINE_ENV_PREFIX "$paths/trailing"$'\n' "holds a newline"
  WINE_ENV_LOG "$paths/trailing.log"$'\n' "holds a newline"
  WINE_ENV_WAIT abc "WINE_ENV_WAIT must be a number of seconds"
)
before=$(_Snapshot "$paths")
for ((i = 0; i < ${#refusals[@]}; i += 3)); do
  var=${refusals[i]} value=${refusals[i + 1]} want=${refusals[i + 2]}
  code=0
  start=$SECONDS
  env WINE_ENV_ARCH=win64 WINE_ENV_PREFIX="$paths/fresh" WINE_ENV_LOG="$work/paths.log" "$var=$value" \
    timeout 300 bash -c 'source "$1/scripts/wine-env.sh"' _ "$root" </dev/null >"$work/refused.out" 2>&1 || code=$?
  _Check "$var=${value@Q}: refused at once (exit code $code, $((SECONDS - start)) s) in one line: $(head -c 300 "$work/refused.out")" \
    bash -c '(($1 != 0 && $2 < 10)) && [[ $(wc -l <"$3") == 1 ]] && grep -q "^wine-env: " "$3" && grep -qF "$4" "$3"' _ \
    "$code" $((SECONDS - start)) "$work/refused.out" "$want"
  _Check "$var=${value@Q}: nothing made, not even at /" \
    bash -c '[[ $1 == "$2" && ! -e /$3 && ! -e /$3.wine-env && ! -e /$3.log ]]' _ \
    "$before" "$(_Snapshot "$paths")" "$unique"
done

echo "== a prefix that wine-env.sh began is set up again over what is in it"
kept=$work/kept.prefix
# As a set-up killed early leaves it (Wine notes the set-up as it begins), with a
# game that a player has put in since.
mkdir -p "$kept/drive_c/Games/Korv3/video"
echo 'begun by scripts/wine-env.sh' >"$kept/.wine-env-own"
stat -c %Y /usr/share/wine/wine.inf >"$kept/.update-timestamp"
echo 'the intro movie' >"$kept/drive_c/Games/Korv3/video/Intr_korv_e.bik"
_StartShell first "$kept"
_Check "the first shell is set up (setting the prefix up)" _WaitReady first 300
_Check "the half-made prefix was set up whole" \
  bash -c '[[ -e $1/.wine-env-ready && -e $1/system.reg && -e $1/drive_c/windows/system32/kernel32.dll ]]' _ "$kept"
_Check "and the player's file is still there, as it was" \
  grep -qx 'the intro movie' "$kept/drive_c/Games/Korv3/video/Intr_korv_e.bik"
firstServer=$(_Servers "$kept")
_Check "one wineserver serves the kept prefix ($firstServer)" test "$(wc -w <<<"$firstServer")" == 1

echo "== a shell killed outright with its watcher: the next shell stops the server it left"
_Note first "${shellPid[first]}" "$kept"
kill -KILL "$(sed -n 6p "$work/first.info")"
kill -KILL -- "-${shellPid[first]}"
_Ended "${shellPid[first]}" 10
unset 'shellPid[first]'
_Check "the killed shell's server is still running" kill -0 "$firstServer"
# With a TMPDIR of its own, which its Wine must not see.
mkdir -p "$work/inherited"
_StartShell second "$kept" TMPDIR="$work/inherited"
_Check "the second shell is set up" _WaitReady second 120
_Check "the killed shell's server is gone" _Ended "$firstServer" 5
secondServer=$(_Servers "$kept")
_Check "one wineserver serves the kept prefix ($secondServer)" test "$(wc -w <<<"$secondServer")" == 1
_NoTmpdir() {
  local pid
  for pid in $(_Procs "$kept"); do
    grep -qz '^TMPDIR=' "/proc/$pid/environ" 2>/dev/null && return 1
  done
  [[ -n $(_Procs "$kept") ]]
}
_Check "its Wine processes have no TMPDIR" _NoTmpdir
_Check "and its temp folder is in the one it was given" \
  bash -c '[[ -n $(ls -d "$1"/wine-env.*/ 2>/dev/null) ]]' _ "$work/inherited"

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

_ShellsChecked wine_env_test
