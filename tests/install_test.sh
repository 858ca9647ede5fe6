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
# completes every long option, and an option's values complete after "=".
completion_script='
source "$1"
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
complete_words blaterix-cli --
echo "== --lay"
complete_words blaterix-cli --lay
echo "== --format ="
complete_words blaterix-cli --format =
echo "== --encoding=u"
complete_words blaterix-cli --encoding=u
'
fresh_bash -c "$completion_script" _ "$bash_completion" >"$scratch/completion" 2>&1
check "bash loads the completion" test $? -eq 0
section() { sed -n "/^== $1\$/,/^==/p" "$scratch/completion" | grep -v '^=='; }
check "complete -p names a function for blaterix-cli" \
    grep -qx 'complete -F [_a-z]* blaterix-cli' "$scratch/completion"
section -- | sed 's/=$//' | sort -u >"$scratch/completed"
check "blaterix-cli --<TAB> completes every long option" cmp -s "$scratch/completed" "$scratch/options"
check "blaterix-cli --lay<TAB> completes --layout=" test "$(section --lay)" = "--layout="
check "--format=<TAB> offers the formats" test "$(section '--format =' | tr '\n' ' ')" = "text html json "
check "--encoding=u<TAB> completes utf-8" test "$(section --encoding=u)" = "--encoding=utf-8"

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
fi

finish install
