# shellcheck shell=bash
# How a shell that sourced wine-env.sh gets back what it started and made, however
# it ends: its wineserver (and with it every Wine process of its prefix), its
# Xvfb with the X lock file, and its temp folder (the prefix in it too).
#
# Each such shell keeps a record in its temp folder (TMPDIR or /tmp, then
# wine-env.XXXXXX):
#   shell    "PID START" of the shell (START: its start time, so that a pid used
#            again by another process is not taken for the shell)
#   watcher  "PID START" of its watcher (below)
#   xvfb     "PID START DISPLAY" of its Xvfb, if it started one
#   kept     the path of its kept prefix (WINE_ENV_PREFIX), if any
#   prefix/  its temp prefix, if it has no kept one
# Sourced by wine-env.sh, which runs this file too, in a session of its own
# (setsid), as the shell's watcher: it outlives a kill of the shell's whole
# process group, waits for the shell to end and then does what the shell's own
# clean-up could not. A watcher that was killed as well (a machine's whole job
# killed) leaves the record: the next shell of these scripts reclaims it at its
# start (_WeSweep). Nothing is ever stopped or removed for a shell that still
# runs, nor found by a process's name.

# The start time of the running process PID (not a zombie); fails if none.
_WeStartTime() {
  local stat fields
  [[ $1 =~ ^[0-9]+$ ]] || return 1
  read -r stat 2>/dev/null <"/proc/$1/stat" || return 1
  # The fields after the command's name, which may hold spaces and parentheses.
  read -ra fields <<<"${stat##*) }"
  [[ ${fields[0]} != [ZX] ]] || return 1
  echo "${fields[19]}"
}

# Whether process PID runs and is the one that started at START.
_WeAlive() {
  [[ -n $2 && $(_WeStartTime "$1") == "$2" ]]
}

# Stops the wineserver of PREFIX, and with it every Wine process of the prefix,
# then removes the folder that Debian's wineserver made for its socket (in
# /tmp, named in PREFIX/wineserver): the next server makes it again.
_WeStopServer() {
  local prefix=$1 note
  [[ -n $prefix && -d $prefix ]] || return 0
  WINEPREFIX=$prefix timeout 30 wineserver -k </dev/null >/dev/null 2>&1 || true
  WINEPREFIX=$prefix timeout 30 wineserver -w </dev/null >/dev/null 2>&1 || return 0
  note=$(cat "$prefix/wineserver" 2>/dev/null)
  if [[ $note =~ ^wine-[A-Za-z0-9]{6}$ ]]; then
    rm -rf "/tmp/$note"
  fi
}

# Stops the Xvfb noted in RECORD if it still runs, and removes the X lock file
# and socket that it leaves when killed outright, only while they still name it.
_WeStopXvfb() {
  local pid start n i
  read -r pid start n 2>/dev/null <"$1" || return 0
  [[ $n =~ ^[0-9]+$ ]] || return 0
  if _WeAlive "$pid" "$start"; then
    kill "$pid" 2>/dev/null || true
    for ((i = 0; i < 50; i++)); do
      _WeAlive "$pid" "$start" || break
      sleep 0.1
    done
    ! _WeAlive "$pid" "$start" || kill -KILL "$pid" 2>/dev/null || true
  fi
  _WeAlive "$pid" "$start" && return 0
  [[ $(tr -d ' \n' 2>/dev/null <"/tmp/.X$n-lock") == "$pid" ]] || return 0
  rm -f "/tmp/.X11-unix/X$n"
  [[ $(tr -d ' \n' 2>/dev/null <"/tmp/.X$n-lock") != "$pid" ]] || rm -f "/tmp/.X$n-lock"
}

# Stops and removes all that the record DIR names. HELD: 1 when the caller holds
# the kept prefix's lock; otherwise its server is stopped only if no shell holds
# that lock (another shell may be using the prefix by now).
_WeReclaim() {
  local dir=$1 held=$2 kept fd
  _WeStopServer "$dir/prefix"
  if [[ -s $dir/kept ]]; then
    kept=$(<"$dir/kept")
    if ((held)); then
      _WeStopServer "$kept"
    elif exec {fd}<"$kept.wine-env/lock"; then
      ! flock -n "$fd" || _WeStopServer "$kept"
      exec {fd}<&-
    fi
  fi 2>/dev/null
  _WeStopXvfb "$dir/xvfb"
  rm -rf "$dir"
}

# Reclaims the record of every shell in BASE that ended without its clean-up
# and whose watcher has gone too: a record whose watcher lives is locked by it,
# and the shell of a record is looked up by its pid and start time.
_WeSweep() {
  local base=$1 own=$2 record dir fd pid start
  for record in "$base"/wine-env.*/shell; do
    dir=${record%/shell}
    [[ -f $record && -O $record && $dir != "$own" ]] || continue
    exec {fd}<"$record" || continue
    if flock -n "$fd" && read -r pid start <&"$fd" && [[ -n $start ]] && ! _WeAlive "$pid" "$start"; then
      echo "wine-env: the shell $pid ended without cleaning up: stopping its Wine and Xvfb, removing $dir"
      _WeReclaim "$dir" 0
    fi
    exec {fd}<&-
  done 2>/dev/null
}

# Run as the watcher: DIR SHELL-PID SHELL-START [FD of the kept prefix's lock].
if [[ ${BASH_SOURCE[0]} == "$0" ]]; then
  dir=$1 shellPid=$2 shellStart=$3
  # The shell ends its watcher once it has cleaned up itself.
  trap 'exit 0' TERM
  # Its record stays locked while the watcher lives, and the kept prefix's lock
  # on fd 9; the naps below do not hold either.
  # Another shell's sweep at its start may be reading the record this moment.
  exec 8<"$dir/shell" || exit 1
  flock -w 30 8 || exit 1
  _WeAlive "$shellPid" "$shellStart" || { _WeReclaim "$dir" 1; exit 0; }
  if [[ -n ${4:-} ]]; then
    exec 9>&"$4" && eval "exec $4>&-"
  fi
  echo "$$ $(_WeStartTime $$)" >"$dir/watcher"
  while _WeAlive "$shellPid" "$shellStart"; do
    sleep 0.25 8<&- 9>&- &
    wait $!
  done
  _WeReclaim "$dir" 1
fi
