#!/usr/bin/env bash
# What scripts/test.sh says of a build whose tests did not run, from that
# build's log: the error itself, in one line, not the line that introduces the
# last lines of Wine's set-up log. Run by scripts/test.sh.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=$(mktemp -d /tmp/test-report-test.XXXXXX)
trap 'rm -rf "$work"' EXIT
source "$root/tests/scripts/checks.sh"
source "$root/scripts/test.sh"

step() { printf '    == wineboot --init in /tmp/p (attempt %s): timeout 300 wine wineboot --init\n' "$1"; }
failed() { printf 'wine-env: wineboot --init in /tmp/p (attempt %s) failed (exit code %s); last lines of /b/wine-setup.log:\n' "$1" "$2"; }
aborted='scripts/wine-env.sh: line 48: 26002 Aborted                 "$@" < /dev/null > /dev/null 2>&1'

# name | what test.sh says | the log
cases=(
  "each attempt aborted, the log quoted each time|wineboot --init in /tmp/p (attempt 3) failed (exit code 134): free(): invalid pointer|$(
    echo 'wine-env: making a win64 Wine prefix in /tmp/p (about 15 s here)'
    failed 1 134; step 1; echo '    free(): invalid pointer'; echo "$aborted"
    echo 'wine-env: trying again on a new prefix'
    failed 3 134; step 1; echo '    free(): invalid pointer'; step 2; echo '    free(): invalid pointer'
    step 3; echo '    free(): invalid pointer'; echo "$aborted")"
  "the last attempt printed nothing; an earlier one did|wineboot --init in /tmp/p (attempt 2) failed (exit code 139), with no output|$(
    failed 2 139; step 1; echo '    free(): invalid pointer'; step 2; echo "$aborted")"
  "the last of several lines that the step printed|wineboot --init in /tmp/p (attempt 1) failed (exit code 1): wine: could not load kernel32.dll, status c0000135|$(
    failed 1 1; step 1; echo '    err:module:load_dll oops'; echo '    wine: could not load kernel32.dll, status c0000135'; echo '    ')"
  "a refusal in one line|not touching /x: it holds a Wine prefix that scripts/wine-env.sh did not make|$(
    echo 'wine-env: not touching /x: it holds a Wine prefix that scripts/wine-env.sh did not make')"
  "no word from Wine's set-up|bash: scripts/wine-env.sh: No such file or directory|$(
    echo 'bash: scripts/wine-env.sh: No such file or directory'; echo)"
  "an empty log|no output|"
)
for entry in "${cases[@]}"; do
  IFS='|' read -r -d '' name want text <<<"$entry" || true
  printf '%s' "${text%$'\n'}" >"$work/test.log"
  [[ -z $text ]] || echo >>"$work/test.log"
  got=$(_NotRunWhy "$work/test.log")
  _Check "$name: '$want'" test "$got" == "$want"
  [[ $got == "$want" ]] || echo "    got: '$got'"
done

_Checked test_report_test
