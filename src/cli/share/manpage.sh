#!/bin/sh
# Makes voxbank's manual page from the program's own help, so that it names whatever commands
# and options the program has: help2man for the program, and a COMMANDS section with every
# command's --help.    manpage.sh VOXBANK EXAMPLES.h2m LICENSE OUT.1
set -eu
voxbank=$1 examples=$2 license=$3 out=$4
sections="$out.h2m"

commands=$("$voxbank" --help | awk '/^Subcommands:$/ { on = 1; next } on && /^$/ { exit } on { print $1 }')
[ -n "$commands" ] || { echo "$0: $voxbank --help names no commands" >&2; exit 1; }

# One command's help as roff: its usage as the heading, its description, and a tagged
# paragraph for each argument and option but --help.
command_roff() {
    "$voxbank" "$1" --help | awk '
        function roff(s) {
            gsub(/\\/, "\\e", s); gsub(/-/, "\\-", s)
            return s ~ /^[.\047]/ ? "\\&" s : s
        }
        function flush() {
            if (tag != "") print ".TP\n" tag "\n" roff(text)
            tag = ""; text = ""
        }
        function tagged(names, rest,    n, part, i, s) {
            n = split(names, part, ",")
            for (i = 1; i <= n; i++) s = s (i > 1 ? ", " : "") "\\fB" roff(part[i]) "\\fR"
            return rest == "" ? s : s " \\fI" roff(rest) "\\fR"
        }
        NR == 1 { about = $0; next }
        /^Usage: / { print ".SS \"" roff(substr($0, 8)) "\"\n" roff(about); next }
        /^  [^ ]/ {
            flush()
            line = substr($0, 3); split(line, cols, /   */)
            n = index(cols[1], " ")
            if (cols[1] ~ /^-h,--help/) next
            tag = n ? tagged(substr(cols[1], 1, n - 1), substr(cols[1], n + 1)) : tagged(cols[1], "")
            text = cols[2]; next
        }
        /^   / { sub(/^ +/, ""); text = text (text == "" ? "" : " ") $0; next }
        { flush() }
        END { flush() }'
}

{
    echo "[COMMANDS]"
    for c in $commands; do
        command_roff "$c"
    done
    echo "[COPYRIGHT]"
    echo "$(grep -m1 '^Copyright ' "$license")."
    echo ".br"
    echo "Free software under the MIT licence, in the file LICENSE beside the README."
} > "$sections"

name=$("$voxbank" --help | head -n1 | sed 's/^\(.\)/\L\1/; s/\.$//')
help2man --no-info --section=1 --name="$name" --manual="User Commands" \
    --include="$sections" --include="$examples" --output="$out" "$voxbank"
rm -f "$sections"
