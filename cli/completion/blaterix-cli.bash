# bash completion for blaterix-cli                         -*- shell-script -*-
# Needs nothing but bash itself; works with or without the bash-completion package.
# Offers only what blaterix-cli takes after the words already on the line.

# The long options; "=" marks those that take a value.
_blaterix_cli_long="--count= --seed= --print-seed --encoding= --eol= --utf8 --layout=
    --sentences-per-paragraph= --format= --help --version"

# Prints the long option that a word ("--enc", "--encoding=utf-8") names, in
# full or by an unambiguous abbreviation as blaterix-cli reads it, with its
# "=" if it takes a value; nothing when it names none.
_blaterix_cli_option() {
    local name=${1%%=*} option match=''
    for option in $_blaterix_cli_long; do
        [[ ${option%=} == "$name" ]] && match=$option && break
        if [[ $option == "$name"* ]]; then
            [[ -n $match ]] && return # ambiguous
            match=$option
        fi
    done
    echo "$match"
}

_blaterix_cli() {
    local cur=${COMP_WORDS[COMP_CWORD]}
    # What the words before this one ask for: each value in its first spelling,
    # in lower case; pending is the option whose value this word is.
    local encoding='' eol='' layout='' format='' per='' ended='' pending='' prefix=''
    local i=1 word option value
    while ((i < COMP_CWORD)); do
        word=${COMP_WORDS[i]}
        i=$((i + 1))
        case $word in
        --) ended=1 && break ;;
        --*) option=$(_blaterix_cli_option "$word") ;;
        -n | -s) option=$word= ;;
        *) continue ;;
        esac
        value=
        if [[ $word == *=* ]]; then
            value=${word#*=}
        elif [[ $option == *= ]]; then
            # "--name=value" arrives as three words ("--name" "=" "value") when
            # "=" is in COMP_WORDBREAKS; "--name value" as two.
            [[ $word == --* && ${COMP_WORDS[i]} == = ]] && i=$((i + 1))
            ((i >= COMP_CWORD)) && pending=${option%=} && break
            value=${COMP_WORDS[i]}
            i=$((i + 1))
        fi
        case $option${value,,} in
        --encoding=cp1252 | --encoding=windows-1252) encoding=cp1252 ;;
        --encoding=utf-8 | --encoding=utf8) encoding=utf-8 ;;
        --utf8) encoding=utf-8 eol=lf ;;
        --eol=lf) eol=lf ;;
        --eol=crlf) eol=crlf ;;
        --layout=blocks | --layout=lines | --layout=paragraphs) layout=${value,,} ;;
        --format=text | --format=html | --format=json) format=${value,,} ;;
        --sentences-per-paragraph=*) per=$value ;;
        esac
    done
    [[ $cur == = ]] && cur=
    if [[ -z $pending && -z $ended && $cur == --*=* ]]; then
        pending=$(_blaterix_cli_option "$cur")
        [[ $pending == *= ]] || pending=
        pending=${pending%=}
        prefix=${cur%%=*}=
        cur=${cur#*=}
    fi

    COMPREPLY=()
    local values='' v
    case $pending in
    "") ;;
    --encoding)
        if [[ $encoding == cp1252 ]]; then
            values="cp1252 windows-1252"
        elif [[ $encoding == utf-8 || $format == html || $format == json ]]; then
            values="utf-8 utf8"
        else
            values="cp1252 windows-1252 utf-8 utf8"
        fi
        ;;
    --eol) values=${eol:-crlf lf} ;;
    --layout)
        if [[ -n $layout ]]; then
            values=$layout
        elif [[ $format == json ]]; then
            [[ -n $per ]] || values=lines
        elif [[ -n $per ]]; then
            values=paragraphs
        else
            values="blocks lines paragraphs"
        fi
        ;;
    --format)
        if [[ -n $format ]]; then
            values=$format
        elif [[ $encoding == cp1252 ]]; then
            values=text
        elif [[ -n $per || $layout == blocks || $layout == paragraphs ]]; then
            values="text html"
        else
            values="text html json"
        fi
        ;;
    *) return ;; # a number of the user's choosing
    esac
    if [[ -n $pending ]]; then
        # Values are taken in any letter case.
        for v in $values; do
            [[ $v == "${cur,,}"* ]] && COMPREPLY+=("$prefix$v")
        done
        return
    fi

    # After "--" only a count may follow; a count is the user's to type.
    [[ -z $ended && $cur == -* ]] || return
    for option in -n -s -h -V $_blaterix_cli_long; do
        case $option in
        --sentences-per-paragraph=) [[ $layout == paragraphs ]] || continue ;;
        --utf8) [[ $encoding != cp1252 && $eol != crlf ]] || continue ;;
        esac
        [[ $option == "$cur"* ]] && COMPREPLY+=("$option")
    done
    # An option that takes a value goes on right after its "=".
    if [[ ${#COMPREPLY[@]} -eq 1 && ${COMPREPLY[0]} == *= ]]; then
        compopt -o nospace 2>/dev/null
    fi
}
complete -F _blaterix_cli blaterix-cli
