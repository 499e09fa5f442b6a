#!/usr/bin/env bash
# The release as users get it, after tools/package.sh: voxbank installed into a DESTDIR and
# run from there, its manual page and bash completion, the Debian package's contents and the
# voxbank it unpacks to, and the Windows zips. Nothing is installed outside a temporary folder.
set -uo pipefail
cd "$(dirname "$0")/../.."
. tools/common.sh
here=tests/install
build=build-package
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0

# check WHAT COMMAND...: counts the command's outcome; its output is shown when it fails.
check() {
    local out
    if out=$("${@:2}" 2>&1); then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        printf 'FAILED: %s\n%s\n' "$1" "$out" >&2
    fi
}

# same EXPECTED GOT: fails showing both when they differ.
same() {
    [ "$1" = "$2" ] || { printf 'expected:\n%s\ngot:\n%s\n' "$1" "$2"; return 1; }
}

# The commands voxbank's help names, one a line.
commands_of() {
    "$1" --help | awk '/^Subcommands:$/ { on = 1; next } on && /^$/ { exit } on { print $1 }'
}

# runs VOXBANK: it tells this release and lists the demo bank.
runs() {
    same "voxbank $version" "$("$1" --version)" &&
        "$1" list "$work/demo/DEMO.SFX" | grep -E '^  1  Rising chirp +[0-9]+ +[0-9]+  PCM 1ch 22050 Hz 16-bit'
}

# converts VOXBANK: it has --convert, with the libraries it needs: sound 1 of the demo bank
# (22050 Hz 16-bit) into sound 0 (11025 Hz 8-bit), in a copy of the bank.
converts() {
    local bank="$work/convert/DEMO.SFX"
    rm -rf "$work/convert" && mkdir -p "$work/convert" && cp "$work/demo/DEMO.SFX" "$work/demo/DEMO.txt" "$work/convert" &&
        "$1" extract "$bank" 1 -o "$work/convert" >/dev/null &&
        "$1" replace "$bank" "0=$work/convert/001-Rising chirp.wav" --convert |
        grep -F -- "-> PCM 1ch 11025 Hz 8-bit"
}

# documents VOXBANK PAGE: the page, rendered, has a part for every command of the help, headed
# by the command's usage line, that names each of the command's options.
documents() {
    local page command usage part option
    page=$(MANWIDTH=200 man -l "$2") || return 1
    [ -n "$(commands_of "$1")" ] || return 1
    for command in $(commands_of "$1"); do
        usage=$("$1" "$command" --help | sed -n 's/^Usage: //p')
        part=$(awk -v head="   $usage" '$0 == head { on = 1; next } on && /^ ? ? ?[^ ]/ { exit } on' <<<"$page")
        [ -n "$part" ] || { echo "no part headed \"$usage\" in the page"; return 1; }
        for option in $("$1" "$command" --help | awk '/^Options:$/ { on = 1; next } on && !/^  / { exit }
                on && /^  -/ && !/^  -h,--help/ { sub(/^  /, ""); sub(/ .*/, ""); gsub(/,/, "\n"); print }'); do
            grep -qe "$option" <<<"$part" || { echo "the page's $command names no $option"; return 1; }
        done
    done
}

# completes LINE WORD...: the installed completion offers exactly these words for LINE's end.
completes() {
    local got
    got=$(cd "$work/files" && HOME="$work" PATH="$root/bin:$PATH" \
        bash "$OLDPWD/$here/complete.sh" "$root/share/bash-completion/completions/voxbank" "$1")
    same "$(printf '%s\n' "${@:2}" | sort)" "$got"
}

# holds ARCHIVE-LISTING EXPECTED...: the listing names exactly these files.
holds() {
    same "$(printf '%s\n' "${@:2}" | sort)" "$(sort <<<"$1")"
}

# is_program ZIP FILE KIND: the program in the zip is that kind of Windows executable.
is_program() {
    unzip -p "$1" "$2" | file - | grep -F "$3"
}

# shows_release ZIP EXE NAME: the file properties Windows shows for the program tell this release
# of Voxmend and the program by its name, in the text and in the numbers Windows reads first
# (behind the fixed file information's signature and its own version).
shows_release() {
    local exe="$work/$3.exe" text fixed described major=${version%%.*} minor=${version#*.}
    minor=${minor%%.*}
    unzip -p "$1" "$2" >"$exe" && text=$(strings -el "$exe") || return 1
    value() { grep -A1 -x "$1" <<<"$text" | sed -n 2p; }
    fixed=$(od -An -tx1 -v "$exe" | tr -d ' \n' | grep -o 'bd04effe00000100[0-9a-f]\{8\}')
    described=$(value FileDescription)
    same "$version $version Voxmend $3.exe $(printf '%02x%02x%02x%02x' $((minor & 255)) $((minor >> 8)) $((major & 255)) $((major >> 8)))" \
        "$(value FileVersion) $(value ProductVersion) $(value ProductName) $(value OriginalFilename) ${fixed:16}" &&
        [[ $(value LegalCopyright) == "Copyright "* && ${described,,} == "$3"* ]]
}

# builds_of ARCH: the build folder the zip of that architecture is made from.
builds_of() {
    if [ "$1" = win64 ]; then echo build; else echo build-i686; fi
}

# windows_only ZIP DLL: the DLL imports from Windows' own DLLs alone, no MinGW runtime.
windows_only() {
    local needs
    needs=$(unzip -p "$1" "$2" >"$work/lib.dll" && objdump -p "$work/lib.dll" | sed -n 's/^\tDLL Name: //p') || return 1
    [ -n "$needs" ] && ! grep -viE '^(kernel32|msvcrt|user32|advapi32|shlwapi)\.dll$' <<<"$needs"
}

mkdir -p "$work/demo"
"$build/mkdemo" "$work/demo" >/dev/null || { echo "mkdemo failed" >&2; exit 1; }

# Installed into a DESTDIR.
DESTDIR="$work/destdir" cmake --install "$build" --prefix /usr >/dev/null
root="$work/destdir/usr"
check "the installed voxbank runs" runs "$root/bin/voxbank"
check "the installed voxbank converts" converts "$root/bin/voxbank"
check "the manual page documents every command" documents "$root/bin/voxbank" "$root/share/man/man1/voxbank.1"
check "the README is installed" same "$(cat README.md)" "$(cat "$root/share/doc/voxbank/README.md")"

mkdir -p "$work/files/sub" "$work/files/with space"
(cd "$work/files" && touch A.SFX b.qsb c.Sfx d.txt e.wav F.WAV g.flac "h i.wav" j.voxpack)
check "a command completes" completes "voxbank ex" extract
check "every command is offered" completes "voxbank " $(commands_of "$root/bin/voxbank")
check "options complete" completes "voxbank extract A.SFX --f" --force
check "the program's own options complete" completes "voxbank --v" --version
check "banks in any case and folders complete for BANK" completes "voxbank list " A.SFX b.qsb c.Sfx sub "with space"
check "only folders complete for -o" completes "voxbank extract A.SFX -o " sub "with space"
check "only folders complete for --output=" completes "voxbank extract -f --output=w" "with space"
check "the bank after -o DIR" completes "voxbank extract -o sub A" A.SFX
check "audio files complete after SOUND=" completes "voxbank replace A.SFX 0=" e.wav F.WAV g.flac "h i.wav" sub "with space"
check "nothing for a SOUND" completes "voxbank extract A.SFX "
check "only folders complete for import's DIR" completes "voxbank import A.SFX " sub "with space"
check "--convert completes" completes "voxbank import A.SFX sub --con" --convert
check "--match-loudness completes" completes "voxbank replace A.SFX 0=e.wav --match" --match-loudness
check "packs complete after the bank of apply" completes "voxbank apply A.SFX " j.voxpack sub "with space"
check "banks complete for unapply's --from" completes "voxbank unapply A.SFX j.voxpack --from " A.SFX b.qsb c.Sfx sub "with space"

# The Debian package.
deb="dist/voxbank_${version}_$(dpkg --print-architecture).deb"
check "the Debian package holds voxbank, its page, completion and documents" holds \
    "$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }')" ./usr/bin/voxbank ./usr/share/man/man1/voxbank.1 \
    ./usr/share/bash-completion/completions/voxbank ./usr/share/doc/voxbank/README.md ./usr/share/doc/voxbank/LICENSE
check "the Debian package is voxbank of this release" same "voxbank $version" "$(dpkg-deb -f "$deb" Package Version | cut -d' ' -f2 | paste -sd' ')"
check "dpkg-shlibdeps found the libraries" grep -E 'libc6 \(>= .*libebur128-1 \(>= .*libsndfile1 \(>= .*libsoxr0 \(>= ' \
    <<<"$(dpkg-deb -f "$deb" Depends)"
dpkg-deb -x "$deb" "$work/unpacked"
check "the unpacked voxbank runs" runs "$work/unpacked/usr/bin/voxbank"
check "the unpacked voxbank converts" converts "$work/unpacked/usr/bin/voxbank"

# The Windows zips.
zips="win64:PE32+ executable (GUI) x86-64:PE32+ executable (console) x86-64"
have_i686 && zips="$zips|win32:PE32 executable (GUI) Intel 80386:PE32 executable (console) Intel 80386"
IFS='|' read -ra kinds <<<"$zips"
for kind in "${kinds[@]}"; do
    IFS=: read -r arch gui console <<<"$kind"
    name="voxmend-$version-$arch"
    zip="dist/$name.zip"
    # The libraries of the conversion, where tools/windeps.sh built them for this build.
    libs=()
    prefix=$(sed -n 's/^VOXMEND_WINDEPS:PATH=//p' "$(builds_of "$arch")/CMakeCache.txt")
    if [ -f "$prefix/.done" ]; then
        libs=("$name/libsndfile-1.dll" "$name/libsoxr.dll" "$name/libebur128.dll" "$name/libzip.dll" "$name/libnettle-8.dll")
        while read -r package built; do
            libs+=("$name/licenses/${package}_$built.txt")
        done <"$prefix/versions"
        for dll in libsndfile-1.dll libsoxr.dll libebur128.dll libzip.dll libnettle-8.dll; do
            check "$name.zip: $dll needs no DLL that Windows lacks" windows_only "$zip" "$name/$dll"
        done
    fi
    check "$name.zip holds both programs, the README, the licence and the libraries" holds "$(unzip -Z1 "$zip" | grep -v '/$')" \
        "$name/voxmend.exe" "$name/voxbank.exe" "$name/README.txt" "$name/LICENSE.txt" "${libs[@]}"
    check "$name.zip: voxmend.exe is $gui" is_program "$zip" "$name/voxmend.exe" "$gui"
    check "$name.zip: voxbank.exe is $console" is_program "$zip" "$name/voxbank.exe" "$console"
    for program in voxmend voxbank; do
        check "$name.zip: $program.exe shows this release" shows_release "$zip" "$name/$program.exe" "$program"
    done
done

echo "install: $passed passed, $failed failed"
[ "$failed" = 0 ]
