#!/usr/bin/env bash
# Runs blaterix-cli as a process and checks its bytes, exit codes and messages.
#   cli_test.sh FIXTURES [--unix] -- COMMAND...   (COMMAND runs blaterix-cli)
# --unix adds the checks that need Unix devices and pipes.
set -uo pipefail
fixtures=$1
shift
unix=0
if [ "$1" = --unix ]; then
    unix=1
    shift
fi
[ "$1" = -- ] && shift
cli=("$@")

failures=0
passes=0
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

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

run() { # run ARGS... : stdout to $scratch/out, stderr to $scratch/err, status in $rc
    "${cli[@]}" "$@" >"$scratch/out" 2>"$scratch/err"
    rc=$?
}

blocks() { LC_ALL=C grep -a -c $'^   .*\r$' "$scratch/out"; }

# Exact bytes: the program's own saved format, and the UTF-8 form.
run --seed 0 2
check "seed 0, two sentences, byte for byte" cmp -s "$scratch/out" "$fixtures/seed0-2.txt"
check "seed 0 exit status" test "$rc" -eq 0
run --utf8 --seed=0 2
check "UTF-8 with LF line ends" cmp -s "$scratch/out" "$fixtures/seed0-2.utf8.txt"

# Counts are read as the program reads its count box.
cases=("10:" "2:2.5" "4:3.5" "16:&H10" "0:abc" "0:-5" "0:-.5" "0:0" "1:1e0")
for c in "${cases[@]}"; do
    want=${c%%:*}
    arg=${c#*:}
    if [ -z "$arg" ]; then run --seed 1; else run --seed 1 -- "$arg"; fi
    check "count '$arg' gives $want blocks" test "$(blocks)" -eq "$want" -a "$rc" -eq 0
done
run -5 --seed 1
check "a negative count is not an option" test "$rc" -eq 0 -a ! -s "$scratch/out"

# Usage errors: one line naming the problem, a hint, status 2, nothing on stdout.
errors=("unknown option:--bogus" "needs a number:--seed" "not a decimal number:--seed abc"
    "not a decimal number:--seed 0x10" "extra argument:1 2" "unknown option:-x")
for e in "${errors[@]}"; do
    want=${e%%:*}
    # shellcheck disable=SC2086
    run ${e#*:}
    check "'${e#*:}' is a usage error" test "$rc" -eq 2 -a ! -s "$scratch/out"
    check "'${e#*:}' says '$want'" grep -q "$want" "$scratch/err"
    check "'${e#*:}' gives a hint" grep -q -- "--help" "$scratch/err"
done

run --help
check "--help" test "$rc" -eq 0
check "--help prints the usage" grep -q '^Usage: blaterix-cli' "$scratch/out"
run --version
check "--version" grep -q '^blaterix-cli [0-9]' "$scratch/out"

if [ "$unix" -eq 1 ]; then
    "${cli[@]}" --seed 0 3 >/dev/full 2>"$scratch/err"
    rc=$?
    check "a full device is a write error" test "$rc" -eq 1
    check "the write error names the reason" grep -q "write error: No space left on device" "$scratch/err"
    # Any count streams: the reader leaving ends the writer at once.
    bytes=$(timeout 20 "${cli[@]}" 9e9 | head -c 1000 | wc -c)
    check "9e9 streams into a closed pipe" test "$bytes" -eq 1000
fi

echo "cli: $passes passed, $failures failed"
[ "$failures" -eq 0 ]
