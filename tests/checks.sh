# shellcheck shell=bash
# Sourced by the test scripts: each check prints one line, ok or FAIL, and the script goes on to its next;
# finish_checks fails when any check did.
failures=0
check() { # what, then a command that succeeds when it holds
    local what=$1
    shift
    if "$@"; then echo "ok:   $what"; else echo "FAIL: $what"; failures=$((failures + 1)); fi
}
finish_checks() {
    exit $((failures > 0))
}
