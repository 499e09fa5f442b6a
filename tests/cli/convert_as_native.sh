#!/usr/bin/env bash
# The Win32 voxbank converts as the native one does: one chirp in each format, written by the
# Windows libsndfile, put into sounds 0 (11025 Hz 8-bit) and 1 (22050 Hz 16-bit) of the demo
# bank by both, gives the same bank; or, where a decoder's floating point differs, sounds of
# the same length and a level within 0.1 dB.
# usage: convert_as_native.sh WINERUN VOXBANK.EXE MKSINE.EXE MKDEMO.EXE NATIVE-VOXBANK WORK
set -euo pipefail
winerun=$1 exe=$2 mksine=$3 mkdemo=$4 native=$5 work=$6
rm -rf "$work"
mkdir -p "$work/in"
cd "$work"
"$winerun" "$mkdemo" . >/dev/null
"$winerun" "$mksine" in

# measure WAVE: its data's length in bytes and its level in dB of full scale.
measure() {
    od -An -v -tu1 "$1" | awk '{ for (i = 1; i <= NF; i++) b[n++] = $i }
        function le(at, k,   v, j) { v = 0; for (j = k - 1; j >= 0; j--) v = v * 256 + b[at + j]; return v }
        END {
            for (i = 12; i + 8 <= n; i += 8 + size + size % 2) {
                id = sprintf("%c%c%c%c", b[i], b[i + 1], b[i + 2], b[i + 3]); size = le(i + 4, 4)
                if (id == "fmt ") bits = le(i + 22, 2)
                if (id == "data") { start = i + 8; break }
            }
            if (!start || !bits) { print "not a WAVE file"; exit 1 }
            for (j = start; j + bits / 8 <= start + size; j += bits / 8) {
                x = bits == 8 ? b[j] - 128 : le(j, 2) - (le(j, 2) >= 32768 ? 65536 : 0)
                x /= bits == 8 ? 128 : 32768; sum += x * x; count++
            }
            printf "%d %.3f\n", size, 10 * log(sum / count + 1e-30) / log(10)
        }'
}

same=0 close=0
for input in in/*; do
    name=${input#in/}
    mkdir -p "native/$name" "wine/$name"
    cp DEMO.SFX DEMO.txt "native/$name/"
    cp DEMO.SFX DEMO.txt "wine/$name/"
    "$native" replace "native/$name/DEMO.SFX" "0=$input" "1=$input" --convert >/dev/null
    (cd "wine/$name" && "$winerun" "$exe" replace DEMO.SFX "0=../../$input" "1=../../$input" --convert >/dev/null)
    if cmp -s "native/$name/DEMO.SFX" "wine/$name/DEMO.SFX"; then
        same=$((same + 1))
        continue
    fi
    for sound in 0 1; do
        for side in native wine; do
            "$native" extract "$side/$name/DEMO.SFX" $sound -o "$side/$name/out" >/dev/null
        done
        read -r native_length native_level < <(measure "native/$name/out/00$sound-"*.wav)
        read -r wine_length wine_level < <(measure "wine/$name/out/00$sound-"*.wav)
        if [ "$native_length" != "$wine_length" ] ||
            ! awk -v a="$native_level" -v b="$wine_level" 'BEGIN { exit !(a - b <= 0.1 && b - a <= 0.1) }'; then
            echo "$name into sound $sound: native $native_length bytes at $native_level dB, Win32 $wine_length bytes at $wine_level dB"
            exit 1
        fi
    done
    close=$((close + 1))
done
[ $((same + close)) -gt 0 ] || { echo "mksine wrote nothing"; exit 1; }
echo "$same inputs gave the same bank, $close the same length and level"
