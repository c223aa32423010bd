# shellcheck shell=bash
# Sourced by the checks that start shells which source scripts/wine-env.sh, with
# win64 prefixes (the quickest to make): starting such shells, waiting for them
# and finding what of theirs is left. Needs $root and $work.

declare -A shellPid

# $work goes once this check and the shells it started have ended, however the
# check ends (killed, its shells end once set up): a watcher in a session of
# its own waits for them, each noted in $work/shells.
_RemoveWorkAtEnd() {
  (setsid bash -c '
    tail --pid="$1" -f /dev/null
    while read -r pid; do
      timeout 600 tail --pid="$pid" -f /dev/null
    done <"$2/shells"
    rm -rf "$2"
  ' _ $$ "$work" </dev/null >/dev/null 2>&1 &)
}

# _StartShell NAME PREFIX [VAR=VALUE...]: starts, in a session of its own, a
# shell that sources wine-env.sh on the kept prefix PREFIX (a temp one when
# PREFIX is empty), notes its prefix in $work/NAME.prefix, starts Notepad and
# then runs until $work/NAME.end appears or this check's script has ended (it
# may be killed: the shell is in another session). Its output goes to
# $work/NAME.log.
# It takes SIGINT as a shell started from a terminal does (a command started
# in the background ignores it, and so would the shell).
_StartShell() {
  local name=$1 prefix=$2
  shift 2
  env --default-signal=INT "$@" WINE_ENV_ARCH=win64 WINE_ENV_PREFIX="$prefix" WINE_ENV_LOG="$work/$name-setup.log" \
    setsid bash -c '
      source "$1/scripts/wine-env.sh" || exit 3
      echo "$_weXvfbPid" >"$2.xvfb"
      printf "%s\n" "$WINEPREFIX" >"$2.prefix"
      "$WINE_ENV_LOADER" notepad </dev/null >/dev/null 2>&1 &
      : >"$2.ready"
      while [[ ! -e $2.end ]] && kill -0 "$3" 2>/dev/null; do sleep 0.2; done
    ' _ "$root" "$work/$name" "$$" </dev/null >"$work/$name.log" 2>&1 &
  shellPid[$name]=$!
  echo "$!" >>"$work/shells"
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

# The folder in which the wineservers of prefix DIR work, named after the
# prefix's device and inode.
_ServerId() {
  echo "server-$(stat -c %D "$1")-$(printf %x "$(stat -c %i "$1")")"
}

# The wineservers serving prefix DIR (or, with -i, those working in the
# folder ID). `wineserver -k` and `-w` work there too for a moment, as
# clients: they are not counted.
_Servers() {
  local id pid
  if [[ $1 == -i ]]; then
    id=$2
  else
    [[ -d $1 ]] || return 0
    id=$(_ServerId "$1")
  fi
  for pid in $(pgrep '^wineserver' || true); do
    [[ $(readlink "/proc/$pid/cwd" 2>/dev/null) == */"$id" ]] || continue
    [[ $(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null) =~ \ -[kw]( |$) ]] && continue
    echo "$pid"
  done
  return 0
}

# The processes started with WINEPREFIX=DIR: a shell's Wine processes, its
# wineserver and its Xvfb.
_Procs() {
  local file
  for file in $(grep -lzxF "WINEPREFIX=$1" /proc/[0-9]*/environ 2>/dev/null); do
    file=${file#/proc/}
    echo "${file%/environ}"
  done
}

# _Note NAME PID PREFIX: notes in $work/NAME.info what the set-up shell PID on
# PREFIX has, for _Left: its Xvfb (its child), the display, the temp folder
# (where that Xvfb's output goes), Wine's socket folder and the watcher.
_Note() {
  local name=$1 pid=$2 prefix=$3 p stat xvfb="" n="" tmp="" watcher=""
  for p in $(_Procs "$prefix"); do
    read -r stat 2>/dev/null <"/proc/$p/stat" || continue
    [[ $stat == "$p (Xvfb) "* && $(cut -d' ' -f2 <<<"${stat##*) }") == "$pid" ]] && xvfb=$p
  done
  if [[ -n $xvfb ]]; then
    n=$(tr '\0' '\n' <"/proc/$xvfb/cmdline" | sed -n 's/^:\([0-9]*\)$/\1/p')
    tmp=$(dirname "$(readlink "/proc/$xvfb/fd/1")")
    watcher=$(cut -d' ' -f1 "$tmp/watcher" 2>/dev/null)
  fi
  printf '%s\n' "$prefix" "$xvfb" "$n" "$tmp" "$(cat "$prefix/wineserver" 2>/dev/null)" "$watcher" \
    >"$work/$name.info"
}

# What is left of the shell noted as NAME, one word each: the processes of its
# prefix, its watcher, its temp folder (with its size), Wine's socket folder,
# the X lock file and socket of its Xvfb, a kept prefix's lock.
_Left() {
  local prefix xvfb n tmp note watcher p items=() lockPid
  {
    read -r prefix
    read -r xvfb
    read -r n
    read -r tmp
    read -r note
    read -r watcher
  } <"$work/$1.info"
  for p in $(_Procs "$prefix"); do
    items+=("$p:$(cat "/proc/$p/comm" 2>/dev/null)")
  done
  # A zombie (its parent, init here, has yet to reap it) holds nothing.
  [[ -n $watcher ]] && ! grep -q '^[^ ]* (.*) Z ' "/proc/$watcher/stat" 2>/dev/null &&
    kill -0 "$watcher" 2>/dev/null && items+=("watcher:$watcher")
  [[ -n $tmp && -e $tmp ]] && items+=("$tmp($(du -sm "$tmp" 2>/dev/null | cut -f1)MB)")
  [[ -n $note && -e /tmp/$note ]] && items+=("/tmp/$note")
  if [[ -n $n ]]; then
    lockPid=$(tr -d ' \n' 2>/dev/null <"/tmp/.X$n-lock")
    [[ $lockPid == "$xvfb" ]] && items+=("/tmp/.X$n-lock")
    [[ ($lockPid == "$xvfb" || -z $lockPid) && -e /tmp/.X11-unix/X$n ]] && items+=("/tmp/.X11-unix/X$n")
  fi
  [[ $prefix != "$tmp"/* ]] && ! flock -n "$prefix.wine-env/lock" true && items+=("the-lock-of-$prefix")
  echo "${items[*]}"
}

# Waits up to SECONDS until nothing of shell NAME is left; sets gone (the
# seconds it took) and left (what is still there then).
_WaitGone() {
  local name=$1 seconds=$2 start=$EPOCHREALTIME
  while :; do
    left=$(_Left "$name")
    gone=$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.1f", b - a }')
    [[ -z $left ]] && return 0
    awk -v g="$gone" -v s="$seconds" 'BEGIN { exit !(g >= s) }' && return 1
    sleep 0.2
  done
}

# _ShellsChecked NAME: says how the checks went; when any failed, shows the end
# of each shell's log and exits non-zero.
_ShellsChecked() {
  _Checked "$1" && return 0
  echo "the shells' logs:"
  for log in "$work"/*.log; do
    echo "--- $(basename "$log")"
    tail -n 15 "$log"
  done
  exit 1
}
