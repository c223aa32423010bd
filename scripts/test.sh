#!/usr/bin/env bash
# Builds both programs with their tests and runs every test of both under Wine,
# each build on a private Xvfb with a fresh prefix of its own kind:
#   build/    the 32-bit program, the one that ships: a win32 prefix, run by
#             Wine's 32-bit loader (natively where the kernel runs 32-bit code,
#             under qemu-i386's emulation elsewhere: see scripts/wine32.sh)
#   build64/  the 64-bit program: a win64 prefix, run by Wine's 64-bit loader
# Does all set-up itself on a fresh Debian 12 or 13 machine (as root); safe to
# rerun.
#
# The two builds' tests run side by side, one ctest each; their lines are shown
# as they come, marked [32-bit] or [64-bit], and kept whole in <build>/test.log.
# Beside them, the set-up scripts' own checks (tests/scripts/*_test.sh: how
# wine-env.sh treats prefixes and wineservers, in throw-away folders) run one
# after the other; their lines are shown marked [scripts] and kept in
# build/scripts-test/.
# Exits non-zero when any test of either build or any script check fails or
# cannot run.
#
# KORV3_ARCH=32 or 64 runs only that build's tests (both are still built);
# KORV3_TEST_SERIAL=1 runs everything one after the other: the script checks,
# then each build's tests.
set -euo pipefail

# Why a build's tests did not run, in one line, from its LOG: the last thing
# that Wine's set-up said there; where that introduces the last lines of its own
# log, what the failing step itself printed last (not the step's heading, which
# is only the command that ran).
_NotRunWhy() {
  awk '
    /^wine-env: / {
      why = substr($0, 11)
      quoted = quoting = sub(/;? *last lines of .*:$/, "", why)
      said = ""
      next
    }
    quoting && /^    / {
      line = substr($0, 5)
      if (line ~ /^== /) said = ""
      else if (line ~ /[^[:space:]]/) said = line
      next
    }
    { quoting = 0 }
    /[^[:space:]]/ { last = $0 }
    END {
      if (why == "") print (last == "" ? "no output" : last)
      else if (quoted) print why (said == "" ? ", with no output" : ": " said)
      else print why
    }' "$1"
}

# Sourced (by the tests), only the functions above.
[[ ${BASH_SOURCE[0]} == "$0" ]] || return 0

cd "$(dirname "${BASH_SOURCE[0]}")/.."

bash scripts/setup.sh
source scripts/arch.sh

for bits in 32 64; do
  _ArchSet "$bits"
  echo "test.sh: building the $bits-bit program and its tests in $archBuildDir/"
  cmake --no-warn-unused-cli -G Ninja -S . -B "$archBuildDir" -DCMAKE_TOOLCHAIN_FILE="$archToolchain" >/dev/null
  cmake --build "$archBuildDir" --parallel "$(nproc)"
done

case ${KORV3_ARCH:-auto} in
  32 | 64) testBits=("$KORV3_ARCH") ;;
  *) testBits=(32 64) ;;
esac
serial=0
[[ ${KORV3_TEST_SERIAL:-0} == 1 || ${#testBits[@]} == 1 ]] && serial=1

# One build's tests, in a shell of its own (run in the background): its own
# Xvfb, prefix and wineserver, all gone when it ends.
_TestBuild() {
  _ArchSet "$1"
  export WINE_ENV_ARCH=$archWine
  export WINE_ENV_LOG=$PWD/$archBuildDir/wine-setup.log
  unset WINE_ENV_PREFIX WINE_ENV_USE_DISPLAY
  source scripts/wine-env.sh || exit 1
  echo "test.sh: the $1-bit build's tests run on display $DISPLAY, prefix $WINEPREFIX"
  : >"$archBuildDir/test.started"
  # Ended from outside, take ctest down with the Wine set-up.
  local ctestPid=""
  trap '[[ -n $ctestPid ]] && kill "$ctestPid" 2>/dev/null; _WeCleanup; exit 143' TERM
  trap '[[ -n $ctestPid ]] && kill "$ctestPid" 2>/dev/null; _WeCleanup; exit 130' INT
  ctest --test-dir "$archBuildDir" --output-on-failure --timeout 300 &
  ctestPid=$!
  local code=0
  wait "$ctestPid" || code=$?
  date +%s >"$archBuildDir/test.ended"
  echo "test.sh: the $1-bit build's tests ended (exit code $code)"
  return "$code"
}

# The set-up scripts' checks, each tests/scripts/*_test.sh one after the other,
# in a shell of their own (run in the background): each one's lines go to
# build/scripts-test/NAME.log as they come, and its exit code to NAME.status.
scriptLogs=build/scripts-test
_RunScriptChecks() {
  local check name checkPid="" tailPid="" code
  # Ended from outside, take the running check down (it cleans up after itself).
  trap '[[ -n $checkPid ]] && kill "$checkPid" 2>/dev/null; wait; exit 143' TERM
  for check in tests/scripts/*_test.sh; do
    name=$(basename "$check" .sh)
    echo "test.sh: running $check"
    bash "$check" </dev/null >"$scriptLogs/$name.log" 2>&1 &
    checkPid=$!
    tail -n +1 -F --pid="$checkPid" "$scriptLogs/$name.log" 2>/dev/null &
    tailPid=$!
    code=0
    wait "$checkPid" || code=$?
    wait "$tailPid" || true
    checkPid=""
    echo "$code" >"$scriptLogs/$name.status"
  done
  date +%s >"$scriptLogs/ended"
}

# Starts JOB (the scripts' checks, or one build's tests: 32 or 64) in the
# background, its output in LOG and shown as it comes, marked [MARK].
declare -A runPid showPid startedAt tookSeconds status
_StartJob() {
  local job=$1 log=$2 mark=$3
  shift 3
  : >"$log"
  startedAt[$job]=$(date +%s)
  ("$@") </dev/null >"$log" 2>&1 &
  runPid[$job]=$!
  tail -n +1 -F --pid="${runPid[$job]}" "$log" 2>/dev/null | sed -u "s/^/[$mark] /" &
  showPid[$job]=$!
}

_Start() {
  local bits=$1
  _ArchSet "$bits"
  echo "test.sh: testing the $bits-bit build ($archBuildDir/), run $archHow"
  rm -f "$archBuildDir/test.ended" "$archBuildDir/test.started"
  _StartJob "$bits" "$archBuildDir/test.log" "$bits-bit" _TestBuild "$bits"
}

_StartScriptChecks() {
  echo "test.sh: running the set-up scripts' checks (tests/scripts/)"
  rm -rf "$scriptLogs"
  mkdir -p "$scriptLogs"
  _StartJob scripts "$scriptLogs/all.log" scripts _RunScriptChecks
}

# Ended from outside: each build's shell takes its ctest and Wine set-up down
# (which takes a while under emulation); wait for that, within reason.
_StopAll() {
  local bits pid i
  for bits in "${!runPid[@]}"; do
    kill "${runPid[$bits]}" 2>/dev/null || true
  done
  for bits in "${!runPid[@]}"; do
    for pid in ${runPid[$bits]:-} ${showPid[$bits]:-}; do
      for ((i = 0; i < 600; i++)); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
      done
    done
  done
}
trap '_StopAll; exit 130' INT
trap '_StopAll; exit 143' TERM

# Waits for a job (it may have ended already) and notes how, and how long it
# took until the time in ENDED (when its Wine was torn down after that).
_Finish() {
  local job=$1 ended=$2 code=0
  wait "${runPid[$job]}" || code=$?
  wait "${showPid[$job]}" 2>/dev/null || true
  ended=$(cat "$ended" 2>/dev/null || date +%s)
  status[$job]=$code
  tookSeconds[$job]=$((ended - startedAt[$job]))
}

_FinishBuild() {
  _ArchSet "$1"
  _Finish "$1" "$archBuildDir/test.ended"
}

# The script checks take far less time than either build's tests: beside them
# they add none to a run (KORV3_TEST_SERIAL=1: one thing at a time).
_StartScriptChecks
if [[ ${KORV3_TEST_SERIAL:-0} == 1 ]]; then
  scriptsHow="before the builds' tests"
  _Finish scripts "$scriptLogs/ended"
elif ((${#testBits[@]} == 1)); then
  scriptsHow="beside the ${testBits[0]}-bit build's tests"
else
  scriptsHow="beside the builds' tests"
fi
if ((serial)); then
  for bits in "${testBits[@]}"; do
    _Start "$bits"
    _FinishBuild "$bits"
  done
else
  for bits in "${testBits[@]}"; do _Start "$bits"; done
  for bits in "${testBits[@]}"; do _FinishBuild "$bits"; done
fi
[[ -n ${status[scripts]:-} ]] || _Finish scripts "$scriptLogs/ended"

# What each build's ctest said at its end.
passedAll=0
failedAll=0
exitCode=0
notRun=()
declare -A ran
for bits in "${testBits[@]}"; do
  _ArchSet "$bits"
  log=$archBuildDir/test.log
  summary=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1 || true)
  if [[ $summary =~ ([0-9]+)\ tests?\ failed\ out\ of\ ([0-9]+) ]]; then
    failed=${BASH_REMATCH[1]}
    total=${BASH_REMATCH[2]}
    passedAll=$((passedAll + total - failed))
    failedAll=$((failedAll + failed))
    what="$((total - failed)) passed, $failed failed"
    ran[$bits]=1
  elif [[ ! -e $archBuildDir/test.started ]]; then
    # Its Wine could not be set up.
    what="did not run ($(_NotRunWhy "$log"); see $log)"
    notRun+=("$bits-bit")
  else
    what="did not finish (see $log)"
    ran[$bits]=1
  fi
  [[ ${status[$bits]:-} == 0 ]] || exitCode=1
  echo "test.sh: the $bits-bit build ($archBuildDir/): $what in ${tookSeconds[$bits]} s; run $archHow"
done
if ((serial == 0)); then
  echo "test.sh: the builds' tests ran side by side, each with its own Xvfb and prefix"
fi
scriptPassed=0
scriptFailed=()
for check in tests/scripts/*_test.sh; do
  if [[ $(cat "$scriptLogs/$(basename "$check" .sh).status" 2>/dev/null) == 0 ]]; then
    scriptPassed=$((scriptPassed + 1))
  else
    scriptFailed+=("$check")
  fi
done
scriptWhat="$scriptPassed passed, ${#scriptFailed[@]} failed"
((${#scriptFailed[@]} == 0)) || { scriptWhat+=" (${scriptFailed[*]})"; exitCode=1; }
echo "test.sh: the set-up scripts' checks (tests/scripts/): $scriptWhat in ${tookSeconds[scripts]} s, $scriptsHow"

# What failed, again at the end, where a reader of a long run looks first: each
# failing test case's name and its failure messages (the whole run is in the logs).
for bits in "${testBits[@]}"; do
  _ArchSet "$bits"
  log=$archBuildDir/test.log
  [[ ${status[$bits]:-} == 0 || -z ${ran[$bits]:-} ]] && continue
  echo "test.sh: what failed in the $bits-bit build (whole output in $log):"
  awk '
    /\*\*\*(Failed|Timeout|Exception)/ { print "  " $0; next }
    /: Failure$/ { inFailure = 1; lines = 0 }
    /^\[  FAILED  \]/ { inFailure = 0; print "  " $0; next }
    /^\[ *(RUN|OK) / { inFailure = 0 }
    inFailure && lines < 12 { print "    " $0; lines++ }
  ' "$log" | head -n 80
done
for check in "${scriptFailed[@]}"; do
  log=$scriptLogs/$(basename "$check" .sh).log
  echo "test.sh: what failed in $check (whole output in $log):"
  grep -E '^(FAILED|    )' "$log" | sed 's/^/  /' | head -n 40 || true
done
summary="$passedAll passed, $failedAll failed"
if ((${#notRun[@]} == 1)); then
  summary+="; the ${notRun[0]} build's tests did not run"
elif ((${#notRun[@]} == 2)); then
  summary+="; neither build's tests ran"
fi
# A failed script check fails the run as much as a failed test: the last line says so too.
summary+="; the set-up scripts' checks: $scriptPassed passed, ${#scriptFailed[@]} failed"
echo "test.sh: $summary"
exit "$exitCode"
