#!/usr/bin/env bash
# Runs blaterix-cli as a process and checks its bytes, exit codes and messages.
#   cli_test.sh FIXTURES [--unix] -- COMMAND...   (COMMAND runs blaterix-cli)
# --unix: the program is a Unix build, killed by SIGPIPE when its reader goes
# away; without it (the Windows build under Wine) a closed pipe is a write error.
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

. "$(dirname "$0")/check.sh"

run() { # run ARGS... : stdout to $scratch/out, stderr to $scratch/err (CR dropped), status in $rc
    "${cli[@]}" "$@" >"$scratch/out" 2>"$scratch/err.raw" </dev/null
    rc=$?
    tr -d '\r' <"$scratch/err.raw" >"$scratch/err"
}

# A table row is one string: "EXPECTED|ARG|ARG|...", split on "|" so that an
# argument may hold spaces or be empty.
split_row() { # split_row ROW : sets $want and the array args
    local IFS='|'
    read -r -a fields <<<"$1|"
    want=${fields[0]}
    args=("${fields[@]:1}")
}

# --- Exact bytes: every layout, format, encoding and line end, seed 0 -------
bytes_cases=(
    "seed0-2.txt|--seed|0|2"
    "seed0-2.txt|-s0|-n2"
    "seed0-2.txt|--seed=0|--count=2"
    "seed0-2.txt|2|--seed|0"
    "seed0-2.txt|-s|0|--|2"
    "seed0-2.txt|-s0|2.5"
    "seed0-2.txt|-s0|1.5"
    "seed0-2.txt|-s0|&H2"
    "seed0-2.txt|-s0| 2"
    "seed0-2.txt|-s0|2e0"
    "seed0-2.txt|-s0|-n|2|2"
    "seed0-2.txt|-s0|-n|2.0|1.5|--count=&H2"
    "seed0-2.txt|--seed|0|--seed|0.0|--seed=0e5|-n2"
    "seed0-2.txt|--encoding=cp1252|--eol=crlf|--layout=blocks|--format=text|-s0|2"
    "seed0-2.utf8.txt|--utf8|--seed=0|2"
    "seed0-2.utf8.txt|--encoding=utf-8|--eol=lf|-s0|2"
    "seed0-2.utf8.txt|--encoding=UTF8|--eol=LF|--utf8|-s0|2"
    "seed0-3.blocks.utf8-crlf.txt|--encoding=utf-8|-s0|3"
    "seed0-3.blocks.cp1252-lf.txt|--eol=lf|-s0|3"
    "seed0-3.lines.txt|--layout=lines|-s0|3"
    "seed0-3.lines.utf8.txt|--layout|lines|--utf8|-s0|3"
    "seed0-3.paragraphs2.txt|--layout=paragraphs|--sentences-per-paragraph=2|-s0|3"
    "seed0-3.paragraphs.utf8.txt|--layout=paragraphs|--utf8|-s0|3"
    "seed0-3.html|--format=html|-s0|3"
    "seed0-3.html|--format=html|--layout=lines|--encoding=utf-8|-s0|3"
    "seed0-3.paragraphs2.html|--format=html|--layout=paragraphs|--sentences-per-paragraph|2|-s0|3"
    "seed0-3.jsonl|--format=json|-s0|3"
    "seed0-3.jsonl|--format=json|--layout=lines|--utf8|-s0|3"
    "seed0-3.jsonl|--format=json|--form=JSON|--f|Json|-s0|3"
    "seed0-3.crlf.jsonl|--format=json|--eol=crlf|-s0|3"
    "/dev/null|-s0|0"
    "/dev/null|-s0|--|-0"
    "/dev/null|--format=json|-n|0"
    "/dev/null|--layout=paragraphs|0.4"
)
for row in "${bytes_cases[@]}"; do
    split_row "$row"
    file=$want
    [ "$file" = /dev/null ] || file=$fixtures/$want
    run "${args[@]}"
    check "${args[*]} writes $want" cmp -s "$scratch/out" "$file"
    check "${args[*]} exits 0, silently" test "$rc" -eq 0 -a ! -s "$scratch/err"
done

# --- Counts read as the count box reads them ----------------------------------
count_cases=("2|2.5" "4|3.5" "16|&H10" "1000|1e3" "0|0" "0|-0" "0|-.4" "7|007" "15|&17"
    "255|&HFF?" "1|1e" "5|5." "3|"$'\t'"3" "1000|1D3" "15|&Q17" "16|&H10%" "16|&H10&&"
    "16|&H10???" "32768|&H8000&" "2|2.5000000000000000001")
for row in "${count_cases[@]}"; do
    split_row "$row"
    run --layout=lines -s1 -- "${args[@]}"
    lines=$(tr -cd '\n' <"$scratch/out" | wc -c)
    check "count '${args[*]}' gives $want sentences" test "$lines" -eq "$want" -a "$rc" -eq 0
done
run --layout=lines -s1
check "no count gives 10 sentences" test "$(tr -cd '\n' <"$scratch/out" | wc -c)" -eq 10

# --- Usage errors: status 2, nothing on stdout, one line naming the problem
# and one with the hint ------------------------------------------------------
usage_error() { # usage_error WANTED-TEXT ARGS...
    local wanted=$1
    shift
    run "$@"
    local name="'$*'"
    check "$name is a usage error" test "$rc" -eq 2 -a ! -s "$scratch/out"
    check "$name says: $wanted" grep -qF -- "blaterix-cli: $wanted" "$scratch/err"
    check "$name: two lines, the second a hint" \
        test "$(wc -l <"$scratch/err")" -eq 2 -a \
        "$(tail -n 1 "$scratch/err")" = "Try 'blaterix-cli --help' for more information."
}

refused_counts=(
    "not a number|ten" "not a number|" "not a number|abc" "not a number|-" "not a number|&H"
    "'abc' after the number|3abc" "' ' after the number|5 " "'G' after the number|&H1G"
    "'x' after the number|1e3x" "'.3' after the number|1.2.3" "'?' after the number|&H10????"
    "below 0|-5" "below 0|-0.6" "below 0|&HFFFF" "below 0|&H8000"
    "above 2147483647|2147483648" "above 2147483647|2147483647.5" "above 2147483647|4294967297"
    "above 2147483647|9e9" "above 2147483647|1e5000" "above 2147483647|&HFFFFFFFF&&"
    "above 2147483647|&H10000000000000000"
)
for row in "${refused_counts[@]}"; do
    split_row "$row"
    usage_error "invalid count '${args[0]-}': $want" -s1 -- "${args[@]}"
done
usage_error "invalid count '-5': below 0" -n -5
usage_error "invalid count '2147483648': above 2147483647" --count=2147483648

option_errors=(
    "unrecognized option '--bogus'|--bogus"
    "unrecognized option '--bogus=1'|--bogus=1"
    "invalid option -- 'x'|-x"
    "invalid option -- 'x'|-s0|-xV"
    "invalid option -- '5'|-5"
    "option '--seed' requires an argument|--seed"
    "option '--count' requires an argument|--count"
    "option requires an argument -- 's'|-s"
    "option requires an argument -- 'n'|--utf8|-n"
    "option '--help' doesn't allow an argument|--help=1"
    "option '--help' doesn't allow an argument|--hel=1"
    "option '--count' requires an argument|--cou"
    "option '--sentences-per-paragraph' requires an argument|--layout=paragraphs|--sent"
    "invalid option -- 'x'|--seed=0|-xV"
    "unrecognized option '--=1'|--=1"
    "option '--utf8' doesn't allow an argument|--utf8=yes"
    "option '--e=utf-8' is ambiguous; possibilities: '--encoding' '--eol'|--e=utf-8"
    "invalid argument 'latin1' for '--encoding' (valid: cp1252, utf-8)|--encoding=latin1"
    "invalid argument 'cr' for '--eol' (valid: crlf, lf)|--eol=cr"
    "invalid argument 'columns' for '--layout'|--layout=columns"
    "invalid argument 'xml' for '--format' (valid: text, html, json)|--format=xml"
    "invalid argument '0' for '--sentences-per-paragraph'|--layout=paragraphs|--sentences-per-paragraph=0"
    "invalid argument '2x' for '--sentences-per-paragraph'|--layout=paragraphs|--sentences-per-paragraph=2x"
    "extra operand '2'|1|2"
    "conflicting counts '3' and '4'|-n|3|4"
    "conflicting counts '3' and '2.5'|-n3|-n|2.5"
    "invalid count 'x': not a number|-n|3|x"
    "conflicting options '--utf8' and '--encoding=cp1252'|--utf8|--encoding=cp1252"
    "conflicting options '--eol=crlf' and '--utf8'|--eol=crlf|--utf8"
    "conflicting options '--layout=lines' and '--layout=blocks'|--layout=lines|--layout=blocks"
    "conflicting seeds '1' and '2'|--seed|1|--seed|2"
    "conflicting seeds '-0' and '0'|-s|-0|--seed=0"
    "'--format=html' writes UTF-8 only, not '--encoding=cp1252'|--format=html|--encoding=cp1252"
    "'--format=json' writes one sentence per line; it takes no '--layout=paragraphs'|--format=json|--layout=paragraphs"
    "'--format=json' writes one sentence per line; it takes no '--layout=blocks'|--format=json|--layout=blocks"
    "'--format=json' writes one sentence per line; it takes no '--sentences-per-paragraph=2'|--format=json|--sentences-per-paragraph=2"
    "'--format=json' writes one sentence per line; it takes no '--sentences-per-paragraph=2'|--layout=lines|--sentences-per-paragraph=2|--format=json"
    "'--sentences-per-paragraph=3' needs '--layout=paragraphs'|--sentences-per-paragraph=3"
    "'--sentences-per-paragraph=3' needs '--layout=paragraphs'|--layout=lines|--sentences-per-paragraph=3"
)
for row in "${option_errors[@]}"; do
    split_row "$row"
    usage_error "$want" "${args[@]}"
done

# --- Seeds: decimal seconds that round to a finite binary32 ------------------
bad_seed="not a decimal number of seconds within the range of a 32-bit float"
for seed in abc "" 0x10 1e400 -1e400 3.5e38 1e4933 inf nan 1e 1.2.3 " 1"; do
    usage_error "invalid seed '$seed': $bad_seed" --seed="$seed"
done
for seed in 3.4e38 -3.4e38 -0 86400 1e-50 .5 5. +7; do
    run --seed "$seed" 1
    check "seed '$seed' is taken" test "$rc" -eq 0 -a -s "$scratch/out"
done
same_output() { # same_output ARGS-A -- ARGS-B : both runs write the same bytes
    local a=() b=()
    while [ "$1" != -- ]; do a+=("$1"); shift; done
    shift
    b=("$@")
    run "${a[@]}"
    cp "$scratch/out" "$scratch/a"
    run "${b[@]}"
    cmp -s "$scratch/a" "$scratch/out"
}
check "-0 and 0 are different seeds" test -n "$(same_output -s -0 2 -- -s 0 2 || echo differ)"
check "86399.999 rounds to the seed 86400" same_output -s 86399.999 2 -- -s 86400 2
check "40000.001 rounds to the seed 40000" same_output -s 40000.001 2 -- -s 40000 2

# --print-seed: the seed used, on stderr, in a form that --seed takes back.
for given in "" "--seed=0.1" "--seed=-0" "--seed=86399.999" "--seed=1e-45" "--seed=3.4e38"; do
    label=${given:-"the clock"}
    if [ -z "$given" ]; then run --print-seed 3; else run --print-seed "$given" 3; fi
    printed=$(cat "$scratch/err")
    cp "$scratch/out" "$scratch/first"
    check "--print-seed with $label prints one number" \
        grep -qxE -- '-?[0-9]+(\.[0-9]+)?(e[-+][0-9]+)?' "$scratch/err"
    run --seed "$printed" 3
    check "--seed '$printed' reproduces the run with $label" cmp -s "$scratch/first" "$scratch/out"
done
# A seed that cannot be written fails the run, as the sentences would, before
# any sentence is written: a later run could not repeat this one.
for where in "a full device" "a closed stream"; do
    if [ "$where" = "a full device" ]; then
        "${cli[@]}" --print-seed 3 >"$scratch/out" 2>/dev/full </dev/null
    else
        "${cli[@]}" --print-seed 3 >"$scratch/out" 2>&- </dev/null
    fi
    rc=$?
    check "--print-seed into $where exits 1 (got $rc)" test "$rc" -eq 1
    check "--print-seed into $where writes no sentence" test ! -s "$scratch/out"
done
run --print-seed --seed=0.1 0
check "--print-seed 0.1 prints 0.1" test "$(cat "$scratch/err")" = 0.1
run --print-seed --seed=86399.999 0
check "--print-seed prints the float that is used" test "$(cat "$scratch/err")" = 86400

# --- Help and version --------------------------------------------------------
for args in -h --help "--help --bogus" "-s0 -h"; do
    # shellcheck disable=SC2086
    run $args
    check "$args shows the help" grep -q '^Usage: blaterix-cli \[OPTION\]... \[COUNT\]' "$scratch/out"
    check "$args exits 0, silently" test "$rc" -eq 0 -a ! -s "$scratch/err"
done
check "the help names every option" grep -q -- '--sentences-per-paragraph=K' "$scratch/out"
check "the help says how seeds are kept" grep -q '32-bit' "$scratch/out"
for args in -V --version; do
    run $args
    tr -d '\r' <"$scratch/out" >"$scratch/version"
    check "$args shows the version first" grep -qx 'blaterix-cli [0-9][0-9.]*' <(head -n 1 "$scratch/version")
    check "$args names the copyright holders" grep -qx 'Copyright (c) 2026 The Blaterix developers' "$scratch/version"
    check "$args names the licence" grep -q '^License: MIT' "$scratch/version"
    check "$args exits 0" test "$rc" -eq 0
done

# --- Write errors: status 1 and the reason -----------------------------------
full_case() { # full_case NAME ARGS... : stdout is a full device
    local name=$1
    shift
    "$@" >/dev/full 2>"$scratch/err.raw" </dev/null
    rc=$?
    tr -d '\r' <"$scratch/err.raw" >"$scratch/err"
    check "$name into a full device exits 1" test "$rc" -eq 1
    check "$name into a full device says why" \
        grep -qx "blaterix-cli: write error: No space left on device" "$scratch/err"
}
full_case "sentences" "${cli[@]}" --seed 0 3
full_case "many sentences" "${cli[@]}" --seed 0 100000
full_case "--help" "${cli[@]}" --help
full_case "--version" "${cli[@]}" --version
if [ "$unix" -eq 1 ] && command -v stdbuf >/dev/null; then
    # Unbuffered, the failure comes from the write itself, not from the flush.
    # (stdbuf preloads a library; a sanitized build must be told to accept it.)
    unbuffered=(env "ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0"
        stdbuf -o0 "${cli[@]}")
    full_case "unbuffered --help" "${unbuffered[@]}" --help
    full_case "unbuffered --version" "${unbuffered[@]}" -V
    full_case "unbuffered sentences" "${unbuffered[@]}" 3
fi

# A reader that leaves after 1,000 bytes of 9e9... sentences: the writer must
# stop at once, not run on until the timeout, and say that it did not finish.
pipe_case() { # pipe_case NAME WANTED-STATUS WANTED-MESSAGE SIGPIPE-ACTION
    local name=$1 want=$2 message=$3 action=$4
    local start=$SECONDS
    env "--$action-signal=PIPE" timeout 120 "${cli[@]}" -n 2147483647 2>"$scratch/err.raw" </dev/null |
        head -c 1000 >"$scratch/out"
    local status=${PIPESTATUS[0]}
    local took=$((SECONDS - start))
    tr -d '\r' <"$scratch/err.raw" >"$scratch/err"
    check "$name: the reader got its 1000 bytes" test "$(wc -c <"$scratch/out")" -eq 1000
    check "$name: the writer exits $want (got $status)" test "$status" -eq "$want"
    check "$name: the writer stops at once (took ${took}s)" test "$took" -lt 40
    if [ -n "$message" ]; then
        check "$name: says '$message'" grep -qx "blaterix-cli: $message" "$scratch/err"
    else
        check "$name: says nothing" test ! -s "$scratch/err"
    fi
}
if [ "$unix" -eq 1 ]; then
    pipe_case "default SIGPIPE" 141 "" default
else
    pipe_case "closed pipe" 1 "write error: Broken pipe" default
fi
pipe_case "SIGPIPE ignored" 1 "write error: Broken pipe" ignore

# --- A terminal: UTF-8 and LF unless told otherwise --------------------------
on_terminal() { # on_terminal ARGS... : what the program writes to a pseudo-terminal
    local command
    command="stty -onlcr; exec $(printf '%q ' "${cli[@]}" "$@")"
    script -qec "$command" /dev/null </dev/null >"$scratch/out" 2>&1
}
if [ "$unix" -eq 0 ] && command -v script >/dev/null; then
    # Wine shows a terminal to the program as a console, which takes UTF-16
    # and writes it out as UTF-8, 80 columns wide, with cursor controls of
    # its own around it.
    shows_accents() {
        grep -qF $'ci\xC3\xB2 sia' "$scratch/out" && grep -qF $'flessibilit\xC3\xA0' "$scratch/out"
    }
    on_terminal -s0 2
    check "a console shows the accents" shows_accents
    on_terminal -s0 2 --encoding=cp1252
    check "a console shows the accents of Windows-1252 too" shows_accents
fi
if [ "$unix" -eq 1 ] && command -v script >/dev/null; then
    on_terminal -s0 2
    check "a terminal gets UTF-8 with LF" cmp -s "$scratch/out" "$fixtures/seed0-2.utf8.txt"
    on_terminal -s0 3 --layout=lines --encoding=cp1252
    check "a terminal gets Windows-1252 when asked, still with LF" \
        cmp -s "$scratch/out" <(tr -d '\r' <"$fixtures/seed0-3.lines.txt")
    on_terminal -s0 2 --eol=crlf
    check "a terminal gets CR LF when asked" \
        cmp -s "$scratch/out" <(sed 's/$/\r/' "$fixtures/seed0-2.utf8.txt")
fi

finish cli
