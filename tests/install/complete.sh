# bash complete.sh COMPLETION LINE: the words voxbank's completion offers for the end of LINE,
# one a line and sorted, as bash-completion would load it for the Tab at the end of LINE.
. /usr/share/bash-completion/bash_completion
. "$1"
line=$2
COMP_LINE=$line
COMP_POINT=${#line}
# readline ends a word at a blank and at each "=", which is a word of its own
read -ra COMP_WORDS <<<"${line//=/ = }"
[[ $line == *[\ =] ]] && COMP_WORDS+=("")
COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
_voxbank voxbank "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}" 2>/dev/null
((${#COMPREPLY[@]})) && printf '%s\n' "${COMPREPLY[@]}" | sort
exit 0
