# Checks for the long test scripts: each result on a line of its own, the
# failures counted, one verdict at the end. Source it from bash.
#   check DESCRIPTION COMMAND...   "ok   - DESCRIPTION" when COMMAND succeeds, else "FAIL - ..."
#   pass TEXT, fail TEXT           one result
#   finish_checks WHERE            the verdict; exit status 1 after any failure (WHERE: what to look at)

failures=0
pass() { echo "ok   - $*"; }
fail() {
  echo "FAIL - $*"
  failures=$((failures + 1))
}
check() {
  local what=$1
  shift
  if "$@"; then pass "$what"; else fail "$what"; fi
}
finish_checks() {
  if ((failures > 0)); then
    echo "# $failures check(s) failed; see $1"
    exit 1
  fi
  echo "# all checks passed"
}
