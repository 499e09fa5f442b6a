# bash completion for voxbank: its commands, their options and the files they take. It asks the
# program's own --help each time, so it knows whatever commands the voxbank being completed has.

# The entries of one section of a help text ("Options:", "Subcommands:"): each entry's names and
# value, without its description.
_voxbank_entries()
{
    awk -v head="$2" '$0 == head { on = 1; next } on && !/^  / { exit }
        on && /^  [^ ]/ { sub(/^  /, ""); sub(/  .*/, ""); print }' <<<"$1"
}

# Every name of the options in the entries: -o,--output DIR gives -o and --output.
_voxbank_option_names()
{
    local entry
    while read -r entry; do
        printf '%s\n' ${entry%% *}
    done <<<"$1" | tr , '\n'
}

# What the option $2 takes, as its help names it (DIR, UINT...); nothing for a flag.
_voxbank_option_value()
{
    local entry names
    while read -r entry; do
        names=,${entry%% *},
        if [[ $names == *,"$2",* ]]; then
            [[ $entry == *" "* ]] && printf '%s\n' "${entry#* }"
            return
        fi
    done <<<"$1"
}

# The files in $cur with one of the extensions given, in any case, and folders to go on into.
_voxbank_files()
{
    local f ext keep=()
    _filedir
    for f in "${COMPREPLY[@]}"; do
        if [[ -d ${f/#\~\//$HOME/} ]]; then
            keep+=("$f")
            continue
        fi
        for ext; do
            [[ ${f,,} == *."$ext" ]] && keep+=("$f") && break
        done
    done
    COMPREPLY=("${keep[@]}")
}

# Completes $cur as a value the help names $1: BANK, ORIGINAL, PACK, DIR, SOUND=FILE, FILE; nothing
# for others.
_voxbank_value()
{
    case $1 in
    BANK* | ORIGINAL*) _voxbank_files sfx qsb ;;
    PACK*) _voxbank_files voxpack ;;
    DIR* | FOLDER*) _filedir -d ;;
    *=FILE*)
        # Only the file after the "=": readline takes the "=" as the end of a word.
        [[ $cur == *=* ]] || return
        cur=${cur#*=}
        _voxbank_files wav wave flac ogg oga opus mp3 aif aiff aifc au snd caf w64
        ;;
    FILE*) _filedir ;;
    esac
}

# Which argument of the command the word at $cword is, from the command's usage line
# (Usage: voxbank extract [OPTIONS] BANK [SOUND...]): the last one repeats when it ends in "...".
_voxbank_argument()
{
    local usage arguments=() given=0 i value
    usage=$(grep -m1 '^Usage: ' <<<"$1")
    for i in ${usage#*\[OPTIONS\]}; do
        i=${i#[}
        arguments+=("${i%]}")
    done
    for ((i = 2; i < cword; i++)); do
        if [[ ${words[i]} == -* ]]; then
            value=$(_voxbank_option_value "$2" "${words[i]}")
            [[ -n $value && ${words[i]} != *=* ]] && ((i++))
        else
            ((given++))
        fi
    done
    ((${#arguments[@]})) || return
    if ((given < ${#arguments[@]})); then
        printf '%s\n' "${arguments[given]%...}"
    elif [[ ${arguments[-1]} == *... ]]; then
        printf '%s\n' "${arguments[-1]%...}"
    fi
}

_voxbank()
{
    local cur prev words cword split
    _init_completion -s -n = || return
    local voxbank=${words[0]/#\~/$HOME} help options

    if ((cword == 1)); then
        help=$("$voxbank" --help 2>/dev/null) || return
        if [[ $cur == -* ]]; then
            options=$(_voxbank_option_names "$(_voxbank_entries "$help" Options:)")
        else
            options=$(_voxbank_entries "$help" Subcommands: | cut -d' ' -f1)
        fi
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        return
    fi

    help=$("$voxbank" "${words[1]}" --help 2>/dev/null) || return
    options=$(_voxbank_entries "$help" Options:)
    local value
    value=$(_voxbank_option_value "$options" "$prev")
    if [[ -n $value ]]; then
        _voxbank_value "$value"
    elif [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$(_voxbank_option_names "$options")" -- "$cur"))
    else
        _voxbank_value "$(_voxbank_argument "$help" "$options")"
    fi
} && complete -F _voxbank voxbank
