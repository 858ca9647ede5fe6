# bash completion for blaterix-cli                         -*- shell-script -*-
# Needs nothing but bash itself; works with or without the bash-completion package.

_blaterix_cli() {
    local cur=${COMP_WORDS[COMP_CWORD]}
    local prev=
    ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
    local option= prefix=

    # "--name=value" arrives as three words ("--name" "=" "value") when "=" is
    # in COMP_WORDBREAKS, as one word otherwise; "--name value" as two.
    if [[ $cur == = ]]; then
        option=$prev
        cur=
    elif [[ $prev == = ]] && ((COMP_CWORD > 1)); then
        option=${COMP_WORDS[COMP_CWORD - 2]}
    elif [[ $cur == --*=* ]]; then
        option=${cur%%=*}
        prefix=$option=
        cur=${cur#*=}
    else
        option=$prev
    fi

    local values=
    case $option in
    --encoding) values="cp1252 utf-8" ;;
    --eol) values="crlf lf" ;;
    --layout) values="blocks lines paragraphs" ;;
    --format) values="text html json" ;;
    -n | --count | -s | --seed | --sentences-per-paragraph)
        COMPREPLY=() # a number of the user's choosing
        return
        ;;
    esac
    if [[ -n $values ]]; then
        COMPREPLY=($(compgen -P "$prefix" -W "$values" -- "$cur"))
        return
    fi

    if [[ $cur == -* ]]; then
        local long="--count= --seed= --print-seed --encoding= --eol= --utf8 --layout=
            --sentences-per-paragraph= --format= --help --version"
        if [[ $cur == --* ]]; then
            COMPREPLY=($(compgen -W "$long" -- "$cur"))
        else
            COMPREPLY=($(compgen -W "-n -s -h -V $long" -- "$cur"))
        fi
        # An option that takes a value goes on right after its "=".
        if [[ ${#COMPREPLY[@]} -eq 1 && ${COMPREPLY[0]} == *= ]]; then
            compopt -o nospace 2>/dev/null
        fi
    fi
}
complete -F _blaterix_cli blaterix-cli
