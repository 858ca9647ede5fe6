#!/usr/bin/env bash
# shellcheck disable=SC2016 # the single-quoted scripts are for the shells they start, which expand them
# Installs blaterix-cli from a native build tree into a staging directory and
# checks what a user gets: the program, its man page, the bash and zsh
# completions, the copyright file and the changelog. (deb_test.sh checks the
# Debian package.)
#   install_test.sh BUILD_DIR FIXTURES
set -uo pipefail
build=$(cd "$1" && pwd)
fixtures=$2

. "$(dirname "$0")/check.sh"

# A fresh shell that knows nothing of ours.
fresh_bash() { env -i PATH="$PATH" HOME="$scratch" bash --norc --noprofile "$@"; }

stage=$scratch/stage
DESTDIR=$stage cmake --install "$build" --prefix /usr >"$scratch/install.log" 2>&1
check "cmake --install succeeds" test $? -eq 0
bin=$stage/usr/bin/blaterix-cli
man=$stage/usr/share/man/man1/blaterix-cli.1.gz
bash_completion=$stage/usr/share/bash-completion/completions/blaterix-cli
zsh_completion=$stage/usr/share/zsh/vendor-completions/_blaterix-cli
doc=$stage/usr/share/doc/blaterix-cli
for f in "$bin" "$man" "$bash_completion" "$zsh_completion" "$doc/copyright" "$doc/changelog.gz"; do
    check "installs ${f#"$stage"}" test -f "$f"
done
check "the copyright file names the holders" \
    grep -qx 'Copyright: 2026 The Blaterix developers' "$doc/copyright"
check "the copyright file holds the MIT licence" \
    grep -qx ' THE SOFTWARE IS PROVIDED "AS IS", WITHOUT WARRANTY OF ANY KIND, EXPRESS OR' "$doc/copyright"
check "the program is executable" test -x "$bin"

# The installed program runs and writes the program's own bytes.
"$bin" --seed 0 2 >"$scratch/out"
check "the installed program writes the expected bytes" cmp -s "$scratch/out" "$fixtures/seed0-2.txt"
version=$("$bin" --version | head -n 1)
check "the installed program tells its version" grep -qx 'blaterix-cli [0-9][0-9.]*' <<<"$version"
version=${version#blaterix-cli }
check "the changelog's last entry is this version" \
    grep -q "^blaterix-cli ($version) " <(gzip -dc "$doc/changelog.gz" | head -n 1)

# Every long option of --help is in the man page and in both completions.
"$bin" --help | grep -oE -- '--[a-z][a-z0-9-]+' | sort -u >"$scratch/options"
check "the help lists the options" test "$(wc -l <"$scratch/options")" -ge 10

# The man page: no complaint from mandoc, and it renders.
mandoc -T lint -W warning "$man" >"$scratch/lint" 2>&1
check "mandoc -T lint finds nothing in the man page" test $? -eq 0 -a ! -s "$scratch/lint"
cat "$scratch/lint" >&2
mandoc -T ascii "$man" | col -b >"$scratch/man.txt"
check "the man page has a name line" grep -q 'blaterix-cli - write sentences' "$scratch/man.txt"
while read -r option; do
    check "the man page tells of $option" grep -qF -- "$option" "$scratch/man.txt"
    check "the bash completion offers $option" grep -qF -- "$option" "$bash_completion"
    check "the zsh completion offers $option" grep -qF -- "$option" "$zsh_completion"
done <"$scratch/options"

# bash: the script registers a completion in a fresh shell, "blaterix-cli --"
# completes every long option where all of them are taken, and an option's
# values complete after "=".
completion_script='
source "$1"
shift
registered=$(complete -p blaterix-cli) || exit 1
echo "$registered"
function=${registered#*-F }
function=${function%% *}
complete_words() { # complete_words WORD... : COMPREPLY for the last word
    COMP_WORDS=("$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE="$*"
    COMP_POINT=${#COMP_LINE}
    COMPREPLY=()
    "$function" blaterix-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf "%s\n" "${COMPREPLY[@]}"
}
echo "== --"
complete_words blaterix-cli --layout=paragraphs --
echo "== table"
for row in "$@"; do
    IFS="|" read -r -a fields <<<"$row|"
    got=$(complete_words blaterix-cli "${fields[@]:1}" | tr "\n" " ")
    printf "%s\t%s\n" "$row" "${got% }"
done
'
# What the completion offers in context: "WANTED|WORD|...", the words after
# the program's name, the last one being completed. bash splits "--name=value"
# into "--name" "=" "value" (as when "=" is in COMP_WORDBREAKS, the default)
# or keeps it whole; both must work.
completion_cases=(
    "--layout=|--lay"
    "text html json|--format|="
    "cp1252 windows-1252 utf-8 utf8|--encoding|="
    "--encoding=utf-8 --encoding=utf8|--encoding=u"
    "--encoding=windows-1252|--encoding=W"
    "utf-8 utf8|--enc|=|U"
    "--enc=utf-8 --enc=utf8|--enc=u"
    "cp1252 windows-1252 utf-8 utf8|--enc|"
    "utf-8 utf8|--format=html|--encoding|="
    "utf-8 utf8|--format|=|JSON|--encoding|="
    "cp1252 windows-1252|--encoding=Windows-1252|--encoding|="
    "lf|--utf8|--eol|="
    "--eol=lf|--utf8|--eol="
    "lines|--format=json|--layout|="
    "paragraphs|--sentences-per-paragraph=2|--layout|="
    "|--format=json|--sentences-per-paragraph=2|--layout|="
    "paragraphs|--layout=Paragraphs|--layout|="
    "text html|--layout=blocks|--format|="
    "text html|--lay|paragraphs|--form|="
    "text|--encoding=CP1252|--format|="
    "--sentences-per-paragraph=|--layout=paragraphs|--sen"
    "--seed=|--se"
    "|--sen"
    "--utf8|--ut"
    "|--eol=crlf|--ut"
    "|--encoding=cp1252|--utf"
    "|--|-"
    "|-s0|--|--f"
    "|-n|"
    "|--seed|=|"
    "|--format=json|"
)
fresh_bash -c "$completion_script" _ "$bash_completion" "${completion_cases[@]}" >"$scratch/completion" 2>&1
check "bash loads the completion" test $? -eq 0
section() { sed -n "/^== $1\$/,/^==/p" "$scratch/completion" | grep -v '^=='; }
check "complete -p names a function for blaterix-cli" \
    grep -qx 'complete -F [_a-z]* blaterix-cli' "$scratch/completion"
section -- | sed 's/=$//' | sort -u >"$scratch/completed"
check "blaterix-cli --layout=paragraphs --<TAB> completes every long option" \
    cmp -s "$scratch/completed" "$scratch/options"
while IFS=$'\t' read -r row got; do
    check "bash: '${row#*|}' completes to '${row%%|*}' (got '$got')" test "$got" = "${row%%|*}"
done < <(section table)
check "bash: every completion case ran" test "$(section table | wc -l)" -eq "${#completion_cases[@]}"

# With the bash-completion package, the completion loads on demand from where
# it was installed, as it does for a user.
loader=/usr/share/bash-completion/bash_completion
if [ -f "$loader" ]; then
    fresh_bash -c 'source "$1"; XDG_DATA_DIRS=$2 __load_completion blaterix-cli; complete -p blaterix-cli' \
        _ "$loader" "$stage/usr/share" >"$scratch/loaded" 2>&1
    check "bash-completion finds the installed completion" \
        grep -qx 'complete -F [_a-z]* blaterix-cli' "$scratch/loaded"
fi

# zsh: the file parses, and compinit takes it as the completion of blaterix-cli.
if command -v zsh >/dev/null; then
    zsh -n "$zsh_completion"
    check "the zsh completion parses" test $? -eq 0
    found=$(env -i PATH="$PATH" HOME="$scratch" zsh -f -c \
        'fpath=("$1" $fpath); autoload -U compinit; compinit -u -d "$2"; print -r -- $_comps[blaterix-cli]' \
        _ "${zsh_completion%/*}" "$scratch/zcompdump" 2>&1)
    check "compinit takes _blaterix-cli for blaterix-cli (got '$found')" test "$found" = _blaterix-cli

    # What it offers in context, with zsh's completion builtins stood in for:
    # compadd prints the values, _arguments the long options it is given.
    zsh_script='
fpath=("$1" $fpath)
shift
autoload -Uz _blaterix-cli
setopt extendedglob
compset() { : }
compadd() { print -r -- "${argv[$argv[(i)--]+1,-1]}" }
_message() { print -r -- "(message)" }
_arguments() {
    local argument
    local -a names
    for argument in $argv; do
        [[ $argument == (#b)*(--[a-z0-9-]##)(=|)\[* ]] && names+=($match[1])
    done
    print -r -- "$names"
}
for row in "$@"; do
    words=(blaterix-cli "${(@)${(@s:|:)row}[2,-1]}")
    CURRENT=$#words
    PREFIX=$words[-1]
    printf "%s\t%s\n" "$row" "$(_blaterix-cli)"
done
'
    all="--count --seed --print-seed --encoding --eol --layout --format --help --version"
    zsh_cases=(
        "utf-8 utf8|--format=html|--encoding="
        "cp1252 windows-1252 utf-8 utf8|--enc="
        "cp1252 windows-1252 utf-8 utf8|--enc|u"
        "lines|--format=JSON|--layout="
        "|--format=json|--sent=2|--layout="
        "paragraphs|--sen=2|--lay="
        "lf|--utf8|--eol="
        "text html|--layout=blocks|--format="
        "text|--encoding=Windows-1252|--format="
        "(message)|-n|"
        "$all --utf8|--"
        "$all --utf8 --sentences-per-paragraph|--layout|paragraphs|--"
        "$all|--eol=crlf|--"
        "|--|-"
    )
    env -i PATH="$PATH" HOME="$scratch" zsh -f -c "$zsh_script" _ "${zsh_completion%/*}" \
        "${zsh_cases[@]}" >"$scratch/zsh" 2>&1
    check "zsh runs the completion" test $? -eq 0
    while IFS=$'\t' read -r row got; do
        check "zsh: '${row#*|}' offers '${row%%|*}' (got '$got')" test "$got" = "${row%%|*}"
    done <"$scratch/zsh"
    check "zsh: every completion case ran" test "$(wc -l <"$scratch/zsh")" -eq "${#zsh_cases[@]}"
fi

finish install
