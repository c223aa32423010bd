#!/usr/bin/env bash
# Builds the program and runs it under Wine: on your display when $DISPLAY
# answers, otherwise on a private Xvfb (then a screenshot shows what it drew).
# Does all set-up itself on a fresh Debian 12 machine (as root); safe to rerun.
#
# KORV3_RUN_SECONDS=N ends the program N seconds after it was started (default:
# run until it exits).
# It runs the 32-bit program, the one that ships, on every machine: under Wine's
# 32-bit loader, natively where the kernel runs 32-bit code and under qemu-i386's
# emulation (slower) elsewhere. KORV3_ARCH=64 runs the 64-bit build instead
# (see scripts/arch.sh).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$PWD

bash scripts/setup.sh
source scripts/arch.sh
echo "run.sh: running $archWhy, $archHow"

cmake --no-warn-unused-cli -G Ninja -S . -B "$archBuildDir" -DCMAKE_TOOLCHAIN_FILE="$archToolchain" >/dev/null
cmake --build "$archBuildDir" --parallel "$(nproc)" --target korv3nointros

exe="$root/$archBuildDir/app/korv3nointros.exe"
[[ -f $exe ]] || { echo "run.sh: $exe was not built" >&2; exit 1; }

hadDisplay=0
if [[ -n ${DISPLAY:-} ]] && timeout 10 xdpyinfo -display "$DISPLAY" >/dev/null 2>&1; then
  hadDisplay=1
fi

echo "run.sh: preparing the Wine prefix $archBuildDir/wineprefix-run (the first time takes a while)"
export WINE_ENV_PREFIX="$root/$archBuildDir/wineprefix-run"
export WINE_ENV_ARCH=$archWine
export WINE_ENV_LOG="$root/$archBuildDir/wine-setup.log"
export WINE_ENV_USE_DISPLAY=1
source scripts/wine-env.sh

# Without an installed game the program has no folder to work on: give it a
# demo one whose movies are harmless to replace.
gameKey='HKLM\SOFTWARE\Hollenbrisk\Brakemoor 3'
if ! "$WINE_ENV_LOADER" reg query "$gameKey" /v PATH_VIDEO </dev/null >/dev/null 2>&1; then
  gameDir="$WINEPREFIX/drive_c/Games/Korv3 Demo"
  mkdir -p "$gameDir/video"
  for movie in intel_e intel_f intel_g nVid \
    Intr_dtm_e Intr_dtm_f Intr_dtm_g Intr_dtm_i Intr_dtm_s \
    Intr_korv_e Intr_korv_f Intr_korv_g Intr_korv_i Intr_korv_s \
    Intr_v8_e Intr_v8_f Intr_v8_g Intr_v8_i Intr_v8_s; do
    printf 'Demo intro movie %s (placeholder)\n' "$movie" >"$gameDir/video/$movie.bik"
  done
  "$WINE_ENV_LOADER" reg add "$gameKey" /v PATH_VIDEO /t REG_SZ /d 'C:\Games\Korv3 Demo' /f </dev/null >/dev/null 2>&1
  echo "run.sh: no game registered: made a demo game at C:\\Games\\Korv3 Demo"
  echo "        ($gameDir, 19 placeholder movies in video\\) and set PATH_VIDEO to it"
fi

cd "$(dirname "$exe")"
if ((hadDisplay)); then
  echo "run.sh: starting $exe on display $DISPLAY"
else
  echo "run.sh: no usable display: starting $exe on a private Xvfb ($DISPLAY)"
fi
"$WINE_ENV_LOADER" "$exe" &
programPid=$!

# Counted from the program's start, whatever happens meanwhile. It waits for
# run.sh itself, so that nothing of it outlives run.sh, however run.sh ends.
timerPid=""
timedOut="$root/$archBuildDir/.run-timed-out"
rm -f "$timedOut"
if [[ -n ${KORV3_RUN_SECONDS:-} ]]; then
  (timeout --foreground "$KORV3_RUN_SECONDS" tail --pid=$$ -s 0.5 -f /dev/null ||
    { (($? == 124)) && touch "$timedOut" && kill "$programPid"; }) </dev/null >/dev/null 2>&1 &
  timerPid=$!
fi

if ((!hadDisplay)); then
  # Under emulation the program takes longer to appear: wait for its window,
  # then for the fade-in (about a second).
  for ((i = 0; i < 120; i++)); do
    xdotool search --name '^Talvenor Vrel$' </dev/null >/dev/null 2>&1 && break
    kill -0 "$programPid" 2>/dev/null || break
    sleep 0.5
  done
  sleep 2
  if ! kill -0 "$programPid" 2>/dev/null; then
    echo "run.sh: the program ended before the screenshot: none taken" >&2
  elif import -display "$DISPLAY" -window root "$root/$archBuildDir/screenshot.png" 2>/dev/null; then
    echo "run.sh: screenshot saved to $root/$archBuildDir/screenshot.png"
  else
    echo "run.sh: could not take a screenshot" >&2
  fi
fi
if [[ -n ${KORV3_RUN_SECONDS:-} ]]; then
  echo "run.sh: the program is ended $KORV3_RUN_SECONDS s after its start (KORV3_RUN_SECONDS)"
else
  echo "run.sh: the program keeps running until it exits (Ctrl-C stops it; KORV3_RUN_SECONDS=N ends it N s after its start)"
fi

status=0
wait "$programPid" || status=$?
if [[ -n $timerPid ]]; then
  kill "$timerPid" 2>/dev/null || true
fi
if [[ -e $timedOut ]]; then
  # Ended on request, not by a fault of the program.
  rm -f "$timedOut"
  echo "run.sh: ended the program $KORV3_RUN_SECONDS s after its start, as KORV3_RUN_SECONDS asked"
  exit 0
fi
echo "run.sh: the program exited with code $status"
exit "$status"
