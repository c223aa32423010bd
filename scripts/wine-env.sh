# shellcheck shell=bash
# Sourced by test.sh and run.sh: gives the calling shell a Wine of its own that
# never waits for a person, and tears all of it down when that shell exits.
#
# Set before sourcing (all optional):
#   WINE_ENV_PREFIX=DIR     keep the prefix in DIR, made once and reused;
#                           without it a fresh prefix is made in a temp dir.
#                           DIR must be new, empty or made by this script: any
#                           other folder (a Wine prefix of your own) is refused
#                           and left as it is, and so is a path that Wine cannot
#                           use (with a `"` or a newline) or whose parent is no
#                           folder. Beside it, DIR.wine-env holds its lock: one
#                           shell at a time uses DIR, and its server is stopped
#                           before the next one may
#   WINE_ENV_WAIT=SECONDS   how long to wait for another shell that uses the
#                           same WINE_ENV_PREFIX (default 60) before giving up
#   WINE_ENV_USE_DISPLAY=1  use the caller's $DISPLAY when it answers,
#                           instead of a private Xvfb
#   WINE_ENV_ARCH=win64     a 64-bit prefix run by Wine's 64-bit loader
#                           (default win32: a 32-bit prefix run by the 32-bit
#                           loader, natively or, where the kernel runs no 32-bit
#                           code, under qemu-i386: see scripts/wine32.sh)
#   WINE_ENV_LOG=FILE       where Wine's output of the set-up steps goes
#                           (default: a file in ${TMPDIR:-/tmp}); its last lines
#                           are printed when a step fails
#
# Exports DISPLAY, WINEPREFIX, WINEARCH, WINEDEBUG, WINEDLLOVERRIDES,
# XDG_RUNTIME_DIR (in a temp folder of the shell's own, in ${TMPDIR:-/tmp}),
# WINE_ENV_LOADER (the loader to start programs with: "$WINE_ENV_LOADER"
# prog.exe; ctest's test commands use it too) and WINE_ENV_HOW (one line: how
# this Wine runs, and why); for win64 and for the emulated win32 also
# WINELOADER. Unsets TMPDIR: Debian 13's Wine aborts at its start whenever it
# is set, even to /tmp or empty. Every Wine helper is started with stdin,
# stdout and stderr on /dev/null: Wine's services outlive the command that
# started them and would otherwise hold the caller's pipes open (ctest then
# waits for them forever).
#
# However the shell ends (its end, Ctrl-C, a kill of the shell or of its whole
# process group), a watcher of its own stops and removes what it started and
# made within seconds; see scripts/wine-env-reclaim.sh.

source "$(dirname "${BASH_SOURCE[0]}")/wine32.sh"
source "$(dirname "${BASH_SOURCE[0]}")/wine-env-reclaim.sh"

_weTmp=""
_weXvfbPid=""
_wePrefix=""
_weSide=""
_weLockFd=""
_weWatcher=""
_weDone=0
_weLog=""
# In a prefix that this script began: only such a prefix is ever started over.
_weOwnMark=.wine-env-own

_WeQuiet() {
  "$@" </dev/null >/dev/null 2>&1
}

_WeCleanup() {
  ((_weDone)) && return 0
  _weDone=1
  local pid="" start="" i held=0
  read -r pid start 2>/dev/null <<<"$_weWatcher" || true
  # The watcher holds the kept prefix's lock while it runs; without it, the
  # prefix is another shell's as soon as that shell locks it.
  ! _WeAlive "$pid" "$start" || held=1
  if [[ -n $_weTmp ]]; then
    _WeReclaim "$_weTmp" "$held"
  fi
  # The lock goes last, once the prefix's server is gone.
  if ((held)); then
    kill "$pid" 2>/dev/null || true
    for ((i = 0; i < 50; i++)); do
      _WeAlive "$pid" "$start" || break
      sleep 0.1
    done
  fi
  return 0
}

_WeFail() {
  echo "wine-env: $*" >&2
  return 1
}

# A set-up step whose output is worth keeping: it goes to the log, and a
# failure shows the log's last lines.
_WeLogged() {
  local what=$1 status=0
  shift
  echo "== $what: $*" >>"$_weLog"
  "$@" </dev/null >>"$_weLog" 2>&1 || status=$?
  if ((status != 0)); then
    echo "wine-env: $what failed (exit code $status); last lines of $_weLog:" >&2
    tail -n 25 "$_weLog" | sed 's/^/    /' >&2
    return 1
  fi
}


# A display answers when xdpyinfo can talk to it.
_WeDisplayUsable() {
  [[ -n ${1:-} ]] && _WeQuiet timeout 10 xdpyinfo -display "$1"
}

# Picks the first display from :90 on with neither a socket nor a lock file and
# starts Xvfb there. Another run may pick the same number at the same moment:
# only the lock file holding our Xvfb's pid says the display is really ours.
_WeStartXvfb() {
  local n pid i lockPid
  for ((n = 90; n < 200; n++)); do
    [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp -noreset \
      </dev/null >"$_weTmp/xvfb-$n.log" 2>&1 &
    pid=$!
    echo "$pid $(_WeStartTime "$pid") $n" >"$_weTmp/xvfb"
    for ((i = 0; i < 100; i++)); do
      kill -0 "$pid" 2>/dev/null || break
      lockPid=$(tr -d ' \n' 2>/dev/null <"/tmp/.X$n-lock" || true)
      if [[ $lockPid == "$pid" ]] && _WeDisplayUsable ":$n"; then
        _weXvfbPid=$pid
        export DISPLAY=":$n"
        return 0
      fi
      sleep 0.1
    done
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  _WeFail "found no free display for Xvfb"
}

# Whether DIR may be used as this script's prefix: ready, begun (by this
# script, and stopped before it was ready), new (missing or empty) or foreign.
_WePrefixState() {
  local dir=$1
  if [[ -e $dir/.wine-env-ready ]]; then
    echo ready
  elif [[ -e $dir/$_weOwnMark ]]; then
    echo begun
  elif [[ ! -e $dir ]] || [[ -d $dir && -z $(ls -A "$dir" 2>/dev/null) ]]; then
    echo new
  else
    echo foreign
  fi
}

# A folder that this script did not make may be a player's own prefix with a
# game in it: it is never started over, emptied or changed.
_WeRefuseForeign() {
  local dir=$1 what="files"
  [[ $(_WePrefixState "$dir") == foreign ]] || return 0
  [[ -e $dir/system.reg || -e $dir/drive_c || -e $dir/dosdevices ]] && what="a Wine prefix"
  _WeFail "not touching $dir: it holds $what that scripts/wine-env.sh did not make;" \
    "set WINE_ENV_PREFIX to a new or empty folder, or remove that one by hand"
}

# One shell at a time on a kept prefix: two would share one wineserver, and the
# first to end would stop it under the other. Sets _weLockFd; the lock then
# goes to the shell's watcher (_WeWatch), which holds it until the shell's
# server is gone, however the shell ends: a descriptor of the shell's own would
# be inherited by every Wine process it starts, and they may outlive it.
_WeLockPrefix() {
  local prefix=$1 lock=$_weSide/lock fd holder wait=${WINE_ENV_WAIT:-60}
  mkdir -p "$_weSide" 2>/dev/null || _WeFail "could not make the folder $_weSide beside the prefix" || return 1
  exec {fd}>>"$lock" || return 1
  if ! flock -n "$fd"; then
    holder=$(tr -cd '0-9' <"$lock" 2>/dev/null || true)
    echo "wine-env: the prefix $prefix is in use by another shell${holder:+ (pid $holder)};" \
      "waiting up to $wait s for it to end (WINE_ENV_WAIT)" >&2
    if ! flock -w "$wait" "$fd"; then
      exec {fd}>&-
      _WeFail "the prefix $prefix is still in use${holder:+ by pid $holder} after $wait s:" \
        "end that shell first, or set WINE_ENV_PREFIX to another folder"
      return 1
    fi
  fi
  _weLockFd=$fd
  echo "$BASHPID" >"$lock"
}

# Makes the shell's temp folder with its record, and starts its watcher in a
# session of its own, so that a kill of the shell's process group leaves it
# running (see scripts/wine-env-reclaim.sh). It gets the kept prefix's lock.
_WeWatch() {
  local base=$1 shellPid=$BASHPID start i
  _weTmp=$(mktemp -d "$base/wine-env.XXXXXX") || return 1
  start=$(_WeStartTime "$shellPid")
  echo "$shellPid $start" >"$_weTmp/shell.new" && mv "$_weTmp/shell.new" "$_weTmp/shell" || return 1
  [[ -z $_wePrefix ]] || printf '%s\n' "$_wePrefix" >"$_weTmp/kept" || return 1
  # Not a child of the shell: a plain `wait` of the caller's must not wait for it.
  (setsid bash "$(dirname "${BASH_SOURCE[0]}")/wine-env-reclaim.sh" "$_weTmp" "$shellPid" "$start" $_weLockFd \
    </dev/null >/dev/null 2>&1 &)
  if [[ -n $_weLockFd ]]; then
    exec {_weLockFd}>&-
    _weLockFd=""
  fi
  # Seconds on a loaded machine: it waits for any sweep that is reading its record.
  for ((i = 0; i < 800; i++)); do
    _weWatcher=$(cat "$_weTmp/watcher" 2>/dev/null) && [[ $_weWatcher == *" "?* ]] && return 0
    sleep 0.05
  done
  _WeFail "the watcher of this shell did not start"
}

# Sets the prefix up again from its start. A kept one is never removed: by now
# it may hold a player's own files (a game installed with plain wine). Wine
# notes that a prefix is set up (.update-timestamp) as its set-up begins, so a
# set-up that was stopped is done again in place only without that note. A
# temp prefix is this shell's alone: it starts over empty.
_WeStartOver() {
  _WeStopServer "$WINEPREFIX"
  if [[ $WINEPREFIX == "$_weTmp/prefix" ]]; then
    rm -rf "$WINEPREFIX"
  else
    rm -f "$WINEPREFIX/.update-timestamp"
  fi
}

_WeCreatePrefix() {
  # Begun by a run that was stopped. Only a prefix marked as this script's own
  # gets here.
  if [[ $(_WePrefixState "$WINEPREFIX") == begun ]]; then
    echo "wine-env: $WINEPREFIX was left half made: setting it up again over what is in it"
    _WeStartOver
  fi
  echo "wine-env: making a $WINEARCH Wine prefix in $WINEPREFIX (about 15 s here, 30 to 60 s under emulation, minutes on a slow machine)"
  # wineboot --init now and then fails at once with nothing said (seen about once in
  # ten runs here): start over before giving up. Its errors, if any, go to the log.
  local attempt
  for attempt in 1 2 3; do
    # Marked before wineboot, so that a prefix left half made is known as ours.
    mkdir -p "$WINEPREFIX" && echo "begun by scripts/wine-env.sh" >"$WINEPREFIX/$_weOwnMark" || return 1
    if WINEDEBUG=err+all _WeLogged "wineboot --init in $WINEPREFIX (attempt $attempt)" \
      timeout 300 "$WINE_ENV_LOADER" wineboot --init; then
      break
    fi
    _WeStartOver
    ((attempt < 3)) || return 1
    echo "wine-env: trying again" >&2
  done
  _WeQuiet timeout 120 wineserver -w || true
  # Debian's Wine looks for its own fonts (Tahoma, Marlett, MS Sans Serif...) in a
  # folder that does not exist; it does find whatever is in C:\windows\Fonts.
  local font
  for font in /usr/share/wine/fonts/*; do
    [[ -e $font ]] || continue
    ln -sf "$font" "$WINEPREFIX/drive_c/windows/Fonts/$(basename "$font")"
  done
  # A crash dialog would wait for a click that never comes.
  _WeLogged "turning off the crash dialog" timeout 60 "$WINE_ENV_LOADER" reg add 'HKCU\Software\Wine\WineDbg' \
    /v ShowCrashDialog /t REG_DWORD /d 0 /f || return 1
  # Wine has no Verdana of its own; fontconfig finds DejaVu Sans for it.
  _WeLogged "setting the font replacements" timeout 60 "$WINE_ENV_LOADER" reg add 'HKCU\Software\Wine\Fonts\Replacements' \
    /v Verdana /t REG_SZ /d 'DejaVu Sans' /f || return 1
  _WeQuiet timeout 120 wineserver -w || true
  touch "$WINEPREFIX/.wine-env-ready"
}

# Refuses, in one line and before anything is made, a path (the value of
# variable NAME) that would not be used as it was given: one with a newline
# (lost on the way), a prefix with a `"` (Wine cannot start in it), or one
# whose parent is not a folder (the path would be worked out elsewhere, such
# as at /).
_WeCheckPath() {
  local name=$1 path=$2 up what="not a folder"
  if [[ $path == *$'\n'* ]]; then
    _WeFail "not using $name=${path@Q}: it holds a newline; give a path without one"
    return 1
  fi
  if [[ $name == WINE_ENV_PREFIX && $path == *'"'* ]]; then
    _WeFail "not using $name=$path: Wine cannot start in a prefix whose path holds a \"; give another path"
    return 1
  fi
  up=$(dirname -- "$path")
  while [[ ! -e $up && ! -L $up ]]; do
    up=$(dirname -- "$up")
  done
  [[ -d $up ]] && return 0
  [[ -L $up ]] && what="a link to nowhere"
  _WeFail "not using $name=$path: $up is $what; give a path in a folder"
}

# Prints PATH in full, once its parent folder is made.
_WeFullPath() {
  local name=$1 path=$2 parent
  parent=$(dirname -- "$path")
  if ! mkdir -p -- "$parent" 2>/dev/null || ! parent=$(CDPATH='' cd -- "$parent" && pwd); then
    _WeFail "not using $name=$path: could not make the folder $parent"
    return 1
  fi
  echo "$parent/$(basename -- "$path")"
}

_WeSetUp() {
  # The temp folders go where the caller's TMPDIR says; no Wine process may see it.
  local tmpBase=${TMPDIR:-/tmp}
  unset TMPDIR
  export WINEARCH=${WINE_ENV_ARCH:-win32}
  _weLog=${WINE_ENV_LOG:-$tmpBase/wine-env-$WINEARCH.log}
  if [[ -n ${WINE_ENV_WAIT:-} && ! $WINE_ENV_WAIT =~ ^[0-9]+(\.[0-9]+)?$ ]]; then
    _WeFail "WINE_ENV_WAIT must be a number of seconds, not ${WINE_ENV_WAIT@Q}"
    return 1
  fi
  _WeCheckPath WINE_ENV_LOG "$_weLog" || return 1
  [[ -z ${WINE_ENV_PREFIX:-} ]] || _WeCheckPath WINE_ENV_PREFIX "$WINE_ENV_PREFIX" || return 1

  case $WINEARCH in
    win32)
      Wine32Route
      export WINE_ENV_HOW="32-bit Wine, run $wine32Why"
      case $wine32Route in
        native)
          export WINE_ENV_LOADER=wine
          unset WINELOADER
          ;;
        qemu) ;; # its loader is made in the shell's temp folder, below
        *) _WeFail "cannot run a win32 prefix: $WINE_ENV_HOW"; return 1 ;;
      esac
      ;;
    win64)
      # Not the `wine` wrapper: it picks the 32-bit loader whenever that is
      # installed, even where the kernel cannot run it.
      export WINE_ENV_LOADER=/usr/lib/wine/wine64
      export WINELOADER=$WINE_ENV_LOADER
      export WINE_ENV_HOW="64-bit Wine, run by Wine's 64-bit loader"
      ;;
    *) _WeFail "WINE_ENV_ARCH must be win32 or win64, not $WINEARCH"; return 1 ;;
  esac
  _weLog=$(_WeFullPath WINE_ENV_LOG "$_weLog") || return 1
  : >"$_weLog"

  if [[ -n ${WINE_ENV_PREFIX:-} ]]; then
    # Not this shell's prefix (nor stopped at its end) until it is known as ours
    # and locked: a refused folder is not touched, not even by a `wineserver -k`.
    local prefix
    prefix=$(_WeFullPath WINE_ENV_PREFIX "$WINE_ENV_PREFIX") || return 1
    if [[ -L $prefix && ! -e $prefix ]]; then
      _WeFail "not using WINE_ENV_PREFIX=$prefix: it is a link to nowhere ($(readlink -- "$prefix"));" \
        "make the folder it leads to, or give another path"
      return 1
    fi
    _WeRefuseForeign "$prefix" || return 1
    _weSide=$prefix.wine-env
    _WeLockPrefix "$prefix" || return 1
    # Looked at again under the lock: the last shell may have changed it.
    if ! _WeRefuseForeign "$prefix"; then
      exec {_weLockFd}>&-
      return 1
    fi
    _wePrefix=$prefix
  fi
  _WeWatch "$tmpBase" || return 1
  # This prefix's server goes with the shell, and so does the prefix.
  [[ -n $_wePrefix ]] || _wePrefix="$_weTmp/prefix"
  _WeSweep "$tmpBase" "$_weTmp"

  export XDG_RUNTIME_DIR="$_weTmp/xdg"
  mkdir -p "$XDG_RUNTIME_DIR"
  chmod 700 "$XDG_RUNTIME_DIR"
  if [[ $WINEARCH == win32 && $wine32Route == qemu ]]; then
    # A loader folder of this shell's own, gone with it.
    WINE_ENV_LOADER=$(Wine32MakeEmulatedLoader "$_weTmp/wine32") ||
      _WeFail "could not make the emulated 32-bit loader in $_weTmp/wine32" || return 1
    export WINE_ENV_LOADER
    export WINELOADER=$WINE_ENV_LOADER
  fi
  export WINEPREFIX="$_wePrefix"
  export WINEDEBUG=-all
  # No Mono or Gecko here: without this wineboot offers to download them and
  # waits. Nor menu entries or file types in the user's desktop for the
  # programs of these prefixes.
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

  local ownDisplay=1
  if [[ ${WINE_ENV_USE_DISPLAY:-0} == 1 ]] && _WeDisplayUsable "${DISPLAY:-}"; then
    ownDisplay=0
  else
    _WeStartXvfb || return 1
  fi

  case $(_WePrefixState "$WINEPREFIX") in
    ready) ;;
    new | begun) _WeCreatePrefix || return 1 ;;
    *) _WeRefuseForeign "$WINEPREFIX"; return 1 ;;
  esac

  if [[ -n ${WINE_ENV_PREFIX:-} ]]; then
    # A shell that was killed outright may have left its server behind: with
    # the lock held, no live shell uses it.
    _WeQuiet timeout 30 wineserver -k || true
    _WeQuiet timeout 30 wineserver -w || true
    # So may an earlier wine-env.sh, which kept the server's socket folder in
    # DIR.wine-env/tmp, found through TMPDIR.
    if [[ -d $_weSide/tmp ]]; then
      TMPDIR=$_weSide/tmp _WeQuiet timeout 30 wineserver -k || true
    fi
  fi
  _WeQuiet wineserver -p || _WeFail "could not start the wineserver" || return 1
  # Xvfb has no window manager: let Wine draw captions and borders itself there,
  # and leave them to the window manager on a real display.
  # Nor does anything there answer Wine's requests to a window manager, so Wine would
  # wait two seconds each time a shown window is hidden: keep windows unmanaged.
  if ((ownDisplay)); then
    _WeQuiet timeout 60 "$WINE_ENV_LOADER" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f || true
    _WeQuiet timeout 60 "$WINE_ENV_LOADER" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f || true
  else
    _WeQuiet timeout 60 "$WINE_ENV_LOADER" reg delete 'HKCU\Software\Wine\X11 Driver' /v Decorated /f || true
    _WeQuiet timeout 60 "$WINE_ENV_LOADER" reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f || true
  fi
  # Starts Wine's services now, detached from the caller's pipes, so that the
  # programs run next start fast and leave nothing behind holding their output.
  _WeQuiet timeout 120 "$WINE_ENV_LOADER" wineboot || _WeFail "warm-up wineboot failed (see $_weLog for the set-up steps)" || return 1
}

trap '_WeCleanup' EXIT
trap '_WeCleanup; exit 130' INT
trap '_WeCleanup; exit 143' TERM

_WeSetUp || return 1
