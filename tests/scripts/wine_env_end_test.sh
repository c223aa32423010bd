#!/usr/bin/env bash
# However a shell that sourced scripts/wine-env.sh ends (its script's end,
# Ctrl-C, kill -9 of its process group or of the shell alone, run.sh killed
# alone), nothing of it is left within seconds: its wineserver and Wine
# processes, its Xvfb with its X lock file and socket, its temp folder (with a
# temp prefix), Wine's socket folder, a kept prefix's lock. A shell killed with
# its watcher too is reclaimed by the next shell at its start. A shell that
# still runs loses nothing meanwhile, even with its watcher gone. Each shell
# runs in a session of its own, and only that is killed. Run by scripts/test.sh.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=$(mktemp -d /tmp/wine-env-end-test.XXXXXX)
source "$root/tests/scripts/checks.sh"
source "$root/tests/scripts/wine_shells.sh"
_RemoveWorkAtEnd

# run.sh's own prefix in a tree of its own (below); the other kept-prefix shells use it too.
tree=$work/tree
kept=$tree/build64/wineprefix-run

# What a shell of a failed check left is stopped and removed here: its session
# (while its shell, whose arguments name $work, runs), its prefix's server and
# every process started with its prefix (a path of this check's own), its
# watcher, its temp folder, and the X lock file and socket of its Xvfb once
# that is gone.
_CleanUp() {
  local name pid prefix xvfb n tmp note watcher
  for name in "${!shellPid[@]}"; do
    pid=${shellPid[$name]}
    grep -qzF "$work" "/proc/$pid/cmdline" 2>/dev/null && kill -KILL -- "-$pid" 2>/dev/null
  done
  for name in "${!shellPid[@]}"; do
    [[ -e $work/$name.info ]] || continue
    { read -r prefix; read -r xvfb; read -r n; read -r tmp; read -r note; read -r watcher; } <"$work/$name.info"
    [[ -n $watcher ]] && grep -qzF "$tmp" "/proc/$watcher/cmdline" 2>/dev/null && kill -KILL "$watcher"
    [[ -d $prefix ]] && WINEPREFIX=$prefix timeout 30 wineserver -k >/dev/null 2>&1
    for pid in $(_Procs "$prefix"); do
      kill -KILL "$pid" 2>/dev/null
    done
    [[ -n $note && -d /tmp/$note ]] && rm -rf "/tmp/$note"
    [[ $tmp == /tmp/wine-env.* ]] && rm -rf "$tmp"
    if [[ -n $n ]] && _Ended "$xvfb" 5 && [[ $(tr -d ' \n' 2>/dev/null <"/tmp/.X$n-lock") == "$xvfb" ]]; then
      rm -f "/tmp/.X11-unix/X$n" "/tmp/.X$n-lock"
    fi
  done
  rm -rf "$work"
}
trap _CleanUp EXIT

# Ends shell NAME as HOW says.
_End() {
  local name=$1 how=$2 pid=${shellPid[$1]}
  # The shells are killed on purpose here: nothing for bash to report of its jobs.
  disown -a
  case $how in
    end) : >"$work/$name.end" ;;
    ctrl-c) kill -INT -- "-$pid" ;;
    group) kill -KILL -- "-$pid" ;;
    alone) kill -KILL "$pid" ;;
  esac
}

echo "== a watcher starts while another shell's sweep reads its record"
# Shells that start together sweep each other's new records: a watcher that
# finds its record locked for a moment waits for it instead of giving up.
mkdir "$work/record"
sleep 60 &
sleeper=$!
disown "$sleeper"
source "$root/scripts/wine-env-reclaim.sh"
echo "$sleeper $(_WeStartTime "$sleeper")" >"$work/record/shell"
(exec 7<"$work/record/shell" && flock 7 && sleep 2) &
sweep=$!
sleep 0.5
setsid bash "$root/scripts/wine-env-reclaim.sh" "$work/record" "$sleeper" "$(_WeStartTime "$sleeper")" \
  </dev/null >/dev/null 2>&1 &
disown "$!"
wait "$sweep"
_WatcherUp() {
  local i
  for ((i = 0; i < 100; i++)); do
    [[ -s $work/record/watcher ]] && return 0
    sleep 0.1
  done
  return 1
}
_Check "the watcher is up once the sweep lets go" _WatcherUp
kill "$sleeper"
_Check "and, its shell gone, removes the record" _Ended "$(cut -d' ' -f1 "$work/record/watcher" 2>/dev/null)" 10
_Check "the record is gone" test ! -e "$work/record"

echo "== a shell that runs meanwhile, with its watcher killed, loses nothing"
_StartShell bystander ""
# Started beside it, each making a prefix.
_StartShell group ""
_StartShell orphan ""
_StartShell end "$kept"
_Check "the shell that runs meanwhile is set up" _WaitReady bystander 300
_Note bystander "${shellPid[bystander]}" "$(cat "$work/bystander.prefix")"
{ read -r bystanderPrefix; read -r bystanderXvfb; read -r _; read -r bystanderTmp; read -r _; read -r watcher; } \
  <"$work/bystander.info"
bystanderServer=$(_Servers "$bystanderPrefix")
kill -KILL "$watcher" 2>/dev/null

echo "== however a shell ends, nothing of it is left within seconds"
# name | how it is ended | its prefix (kept or temp)
cases=(
  "end    | its script ends                | kept"
  "ctrl-c | Ctrl-C (SIGINT to its group)   | kept"
  "group  | kill -9 of its process group   | temp"
  "alone  | kill -9 of the shell alone     | kept"
)
for row in "${cases[@]}"; do
  IFS='|' read -r name what kind <<<"$row"
  read -r name <<<"$name"
  read -r what <<<"$what"
  read -r kind <<<"$kind"
  prefix=""
  [[ $kind == kept ]] && prefix=$kept
  [[ -n ${shellPid[$name]:-} ]] || _StartShell "$name" "$prefix"
  if ! _WaitReady "$name" 300; then
    _Check "$what: the shell is set up" false
    continue
  fi
  _Note "$name" "${shellPid[$name]}" "$(cat "$work/$name.prefix")"
  _End "$name" "$name"
  _WaitGone "$name" 15
  _Check "$what ($kind prefix): nothing left after $gone s${left:+: $left}" test -z "$left"
done

echo "== run.sh killed alone (its Xvfb and the program run on)"
# The real run.sh in a tree of its own, whose set-up is done and whose cmake
# "builds" the program as a copy of Wine's Notepad: it uses no build of this
# worktree, nor its prefix.
mkdir -p "$tree/scripts" "$work/bin"
for script in "$root"/scripts/*.sh; do
  ln -s "$script" "$tree/scripts/"
done
rm "$tree/scripts/setup.sh"
echo 'exit 0' >"$tree/scripts/setup.sh"
cat >"$work/bin/cmake" <<'EOF'
#!/bin/sh
while [ $# -gt 0 ]; do
  if [ "$1" = --build ]; then
    mkdir -p "$2/app" && cp /usr/lib/x86_64-linux-gnu/wine/x86_64-windows/notepad.exe "$2/app/korv3nointros.exe"
    exit
  fi
  shift
done
EOF
chmod 755 "$work/bin/cmake"
env -u DISPLAY PATH="$work/bin:$PATH" KORV3_ARCH=64 KORV3_RUN_SECONDS=120 \
  setsid bash "$tree/scripts/run.sh" </dev/null >"$work/run.log" 2>&1 &
shellPid[run]=$!
echo "$!" >>"$work/shells"
if _Said "$work/run.log" "starting .* on a private Xvfb" && sleep 2; then
  _Note run "${shellPid[run]}" "$kept"
  disown -a
  kill -KILL "${shellPid[run]}"
  _WaitGone run 15
  _Check "run.sh killed alone: nothing left after $gone s${left:+: $left}" test -z "$left"
else
  _Check "run.sh starts the program" false
fi

echo "== a shell killed with its watcher: the next shell reclaims what it left"
if _WaitReady orphan 300; then
  _Note orphan "${shellPid[orphan]}" "$(cat "$work/orphan.prefix")"
  disown -a
  kill -KILL "$(sed -n 6p "$work/orphan.info")"
  kill -KILL -- "-${shellPid[orphan]}"
  sleep 3
  left=$(_Left orphan)
  _Check "until then its server, its Wine and its temp folder are left (${left:0:80}...)" \
    bash -c '[[ $1 == *wineserver* && $1 == *wine-env.* ]]' _ "$left"
  _StartShell next ""
  _Check "the next shell is set up" _WaitReady next 300
  left=$(_Left orphan)
  _Check "and then nothing of the killed shell is left${left:+: $left}" test -z "$left"
  _Check "it said so in one line" test "$(grep -c "ended without cleaning up" "$work/next.log")" == 1
  : >"$work/next.end"
else
  _Check "the shell to kill with its watcher is set up" false
fi

# All the while, the shell that runs meanwhile kept what it has.
_Intact() {
  [[ -n $bystanderServer && $(_Servers "$bystanderPrefix") == "$bystanderServer" ]] &&
    kill -0 "$bystanderXvfb" && [[ -d $bystanderTmp/prefix ]]
}
_Check "the shell that ran meanwhile still has its server, its Xvfb and its temp folder" _Intact
: >"$work/bystander.end"
_Check "and ends as it should" _Ended "${shellPid[bystander]}" 30

_ShellsChecked wine_env_end_test
