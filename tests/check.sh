# shellcheck shell=bash
# Shared by the process tests: a scratch directory and a tally of checks.
#   . check.sh   then   check NAME CONDITION...   and at the end   finish LABEL
# KEEP=1 keeps the scratch directory for a look afterwards.
failures=0
passes=0
scratch=$(mktemp -d)
trap '[ -n "${KEEP:-}" ] || rm -rf "$scratch"' EXIT

check() { # check NAME CONDITION...
    local name=$1
    shift
    if "$@"; then
        passes=$((passes + 1))
    else
        echo "FAIL: $name" >&2
        failures=$((failures + 1))
    fi
}

finish() { # finish LABEL : the tally, and the status of the whole run
    echo "$1: $passes passed, $failures failed"
    [ "$failures" -eq 0 ]
}
