# shellcheck shell=bash
# Sourced by the set-up scripts' checks (tests/scripts/*_test.sh): one line per
# check, and the count of those that failed, for the script's exit code.
failed=0

# _Check WHAT COMMAND...: runs COMMAND and says whether WHAT holds.
_Check() {
  local what=$1
  shift
  if "$@"; then
    echo "ok: $what"
  else
    echo "FAILED: $what"
    failed=$((failed + 1))
  fi
}

# _Checked NAME: says how the checks went; false when any failed.
_Checked() {
  if ((failed)); then
    echo "$1: $failed checks failed"
    return 1
  fi
  echo "$1: all checks passed"
}
