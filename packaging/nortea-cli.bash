# bash completion for nortea-cli. The commands and their options are read from the
# program's own --help, so they are those of the installed version. Nothing else runs
# the program: every command would make the data folder if it is missing.

_nortea_cli_usage()
{
    "$1" --help 2>/dev/null
}

_nortea_cli()
{
    local cur="${COMP_WORDS[COMP_CWORD]}" prev="${COMP_WORDS[COMP_CWORD-1]}"
    local program="${COMP_WORDS[0]}" help command=""
    help="$(_nortea_cli_usage "$program")" || return
    local i
    # The command is the first word that is neither a global option nor its value.
    for ((i = 1; i < COMP_CWORD; i++)); do
        case "${COMP_WORDS[i]}" in
            --data | --user) ((i++)) ;;
            -*) ;;
            *) command="${COMP_WORDS[i]}"; break ;;
        esac
    done

    local IFS=$'\n'
    if [[ -z "$command" ]]; then
        case "$prev" in
            --data) COMPREPLY=($(compgen -d -- "$cur")); return ;;
            --user)
                # The address books are the folders of the data folder.
                local folder="${XDG_DATA_HOME:-$HOME/.local/share}/pelora/nrt" book
                for ((book = 1; book < COMP_CWORD; book++)); do
                    [[ "${COMP_WORDS[book]}" == --data ]] && folder="${COMP_WORDS[book+1]/#\~/$HOME}"
                done
                COMPREPLY=($(cd "$folder" 2>/dev/null && compgen -d -- "$cur"))
                return
                ;;
        esac
        if [[ "$cur" == -* ]]; then
            COMPREPLY=($(compgen -W "$(sed -n '/^options:/,$p' <<<"$help" | grep -o -- '--\?[a-z][a-z-]*')" -- "$cur"))
        else
            COMPREPLY=($(compgen -W "$(sed -n '/^commands:/,/^options:/{s/^  \([a-z][a-z-]*\).*/\1/p}' <<<"$help" | sort -u)" -- "$cur"))
        fi
        return
    fi

    # The command's usage line: its options, and which of them take a value (an
    # upper-case placeholder or a choice a|b after them).
    local usage
    usage="$(grep -- "^  $command\( \|$\)" <<<"$help")"
    case "$prev" in
        --pdf | --map | --template) COMPREPLY=($(compgen -f -- "$cur")); return ;;
        --printer) COMPREPLY=($(compgen -W "$(lpstat -e 2>/dev/null)" -- "$cur")); return ;;
        --kind | --tab | --sender) return ;;
        --*)
            local choices
            choices="$(grep -o -- "$prev [a-z0-9|-]*|[a-z0-9|-]*" <<<"$usage" | head -1 | cut -d' ' -f2 | tr '|' '\n')"
            if [[ -n "$choices" ]]; then
                COMPREPLY=($(compgen -W "$choices" -- "$cur"))
                return
            fi
            grep -q -- "$prev [A-Z]" <<<"$usage" && return
            ;;
    esac
    if [[ "$cur" == -* ]]; then
        COMPREPLY=($(compgen -W "$(grep -o -- '--[a-z][a-z-]*' <<<"$usage" | sort -u)" -- "$cur"))
    elif ((i + 1 == COMP_CWORD)) && grep -q -- "$command [a-z]" <<<"$usage"; then
        # user list|create|remove, forms kinds|create
        COMPREPLY=($(compgen -W "$(grep -o -- "$command [a-z][a-z-]*" <<<"$usage" | cut -d' ' -f2 | sort -u)" -- "$cur"))
    elif ((i + 1 == COMP_CWORD)) && grep -q -- "^  $command [A-Z]" <<<"$usage" && [[ "$usage" != *"$command FILE"* ]]; then
        # A form, a backup set's folder, a postal code: no file names.
        [[ "$command" == restore ]] && COMPREPLY=($(compgen -d -- "$cur"))
    else
        COMPREPLY=($(compgen -f -- "$cur"))
    fi
}
complete -o filenames -F _nortea_cli nortea-cli
