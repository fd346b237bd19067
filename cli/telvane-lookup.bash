# bash completion for telvane-lookup: its options, a file after --file, and the province names of the
# directory after --province (asked of the command itself, with the --file already on the line).
_telvane_lookup() {
    local cur prev words cword
    _init_completion || return

    case $prev in
        --file)
            _filedir
            return
            ;;
        --province)
            local file=() i
            for ((i = 1; i < cword; i++)); do
                if [[ ${words[i]} == --file && $((i + 1)) -lt $cword ]]; then
                    file=(--file "${words[i + 1]}")
                fi
            done
            local IFS=$'\n'
            COMPREPLY=($(compgen -W "$("$1" "${file[@]}" --provinces 2>/dev/null)" -- "$cur"))
            return
            ;;
    esac

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W '-a --area -p --postcode -n --name -f --fuzzy -q --quiet --province --provinces
            --tsv --json --file -h --help --version' -- "$cur"))
    fi
} &&
    complete -F _telvane_lookup telvane-lookup
