#!/usr/bin/env bash
# The Win32 voxbank converts as the native one does: one chirp in each format, written by the
# Windows libsndfile, put into sounds 0 (11025 Hz 8-bit) and 1 (22050 Hz 16-bit) of the demo
# bank by both, gives the same bank; or, where a decoder's floating point differs, a bank of
# the same size with a few bytes apart.
# usage: convert_as_native.sh WINERUN VOXBANK.EXE MKSINE.EXE MKDEMO.EXE NATIVE-VOXBANK WORK
set -euo pipefail
winerun=$1 exe=$2 mksine=$3 mkdemo=$4 native=$5 work=$6
rm -rf "$work"
mkdir -p "$work/in"
cd "$work"
"$winerun" "$mkdemo" . >/dev/null
"$winerun" "$mksine" in

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
    # a decoder whose floating point differs changes a few samples, no more
    differing=$(cmp -l "native/$name/DEMO.SFX" "wine/$name/DEMO.SFX" | wc -l) || true
    if [ "$(stat -c %s "native/$name/DEMO.SFX")" != "$(stat -c %s "wine/$name/DEMO.SFX")" ] || [ "$differing" -gt 64 ]; then
        echo "$name: the native and the Win32 bank differ in size or in $differing bytes"
        exit 1
    fi
    close=$((close + 1))
done
[ $((same + close)) -gt 0 ] || { echo "mksine wrote nothing"; exit 1; }
echo "$same inputs gave the same bank, $close one a few bytes apart"
