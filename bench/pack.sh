#!/usr/bin/env bash
# Mod packs: the size of a pack of recorded-like sounds (espeak-ng speech, sox effects and music)
# against `zip -9` of the same sounds as WAVE files, and `voxbank apply` of the pack against a
# plain `voxbank replace` of the same sounds from WAVE files, as ratios in one run.
# usage: bench/pack.sh [megabytes]   (the bank the sounds go into; 300 unless told; the build goes
# in $BENCH_BUILD, build-bench/ unless told). The times are of nine runs each, taking turns, so
# that a disk whose speed drifts weighs on both alike; a flush of 300 MB varies by a tenth from one
# run to the next, so the figure judged is the ratio of the medians, which one lucky run does not
# move, with the ratio of the best beside it.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/common.sh

ensure_packages
# The sounds' makers and the zip to compare with: the benchmark installs them, the set-up does not.
PACKAGES="sox libsox-fmt-base espeak-ng zip" ensure_packages
build=$(build_bench voxbank bench_cli_bank)
mb="${1:-300}"
work="$build/pack-bench"
rm -rf "$work"
mkdir -p "$work/made" "$work/wav"
trap '[ -n "${BENCH_KEEP:-}" ] || rm -rf "$work"' EXIT
"$build/bench/bench_cli_bank" "$work" "$mb"
voxbank="$build/src/cli/voxbank"

# Twenty sounds of a mod, each made at 44100 Hz and stored as the bank's 16-bit mono 22050 Hz
# sounds are: speech, effects and music.
lines=("The door creaks open." "Who goes there?" "Stand back, all of you!" "The gate is locked."
       "I have been waiting for you." "Run to the river and do not look back.")
n=0
for line in "${lines[@]}"; do
    espeak-ng -w "$work/made/$n.wav" "$line"
    n=$((n + 1))
done
sox -n "$work/made/$((n++)).wav" synth 1.5 pinknoise gain -6 fade q 0.01 1.5 1.4 lowpass 3000
sox -n "$work/made/$((n++)).wav" synth 0.8 brownnoise fade h 0.02 0.8 0.6
sox -n "$work/made/$((n++)).wav" synth 1.2 sine 200-2000 fade q 0.05 1.2 0.3
sox -n "$work/made/$((n++)).wav" synth 0.6 square 90 fade q 0.01 0.6 0.5 lowpass 800
sox -n "$work/made/$((n++)).wav" synth 2 whitenoise band 400 100 tremolo 8 60 fade q 0.1 2 0.5
sox -n "$work/made/$((n++)).wav" synth 1 pluck C3 gain -6 reverb 40
for chord in "C4 E4 G4" "A3 C4 E4" "F3 A3 C4" "G3 B3 D4" "D4 F4 A4" "E3 G3 B3" "C3 G3 E4" "B3 D4 F4"; do
    read -r a b c <<<"$chord"
    sox -n "$work/made/$((n++)).wav" synth 2.5 pluck "$a" pluck "$b" pluck "$c" delay 0 0.1 0.2 remix - \
        fade q 0.01 2.5 0.8 reverb 30 gain -n -3
done
# Each into a sound of the bank, converted by voxbank as a modder would; that is the mod.
cp "$work/BENCH.SFX" "$work/BASE.SFX"
cp "$work/BENCH.txt" "$work/BASE.txt"
pairs=()
for ((i = 0; i < n; i++)); do
    pairs+=("$((i * 15))=$work/made/$i.wav")
done
"$voxbank" replace "$work/BENCH.SFX" "${pairs[@]}" --convert --rate 22050 --channels 1 --bits 16 --no-backup >/dev/null
"$voxbank" pack "$work/BENCH.SFX" --base "$work/BASE.SFX" -o "$work/mod.voxpack" >/dev/null
numbers=()
for ((i = 0; i < n; i++)); do
    numbers+=("$((i * 15))")
done
"$voxbank" extract "$work/BENCH.SFX" "${numbers[@]}" -o "$work/wav" >/dev/null
(cd "$work/wav" && zip -q -9 ../sounds.zip ./*.wav)
pack=$(stat -c %s "$work/mod.voxpack")
zipped=$(stat -c %s "$work/sounds.zip")
wave=$(cat "$work"/wav/*.wav | wc -c)
flac=$(unzip -Z1 "$work/mod.voxpack" | grep -c '\.flac$' || true)

# Apply of the pack against replace of the same sounds from the WAVE files, each on a fresh copy
# of the base bank.
replaces=()
for f in "$work"/wav/*.wav; do
    name=$(basename "$f")
    replaces+=("$((10#${name%%-*}))=$f")
done
apply_times="" replace_times=""
for _ in $(seq 9); do
    for what in apply replace; do
        cp "$work/BASE.SFX" "$work/T.SFX"
        rm -f "$work/T.SFX.bak"
        sync
        t0=$(date +%s%N)
        if [ "$what" = apply ]; then
            "$voxbank" apply "$work/T.SFX" "$work/mod.voxpack" >/dev/null
        else
            "$voxbank" replace "$work/T.SFX" "${replaces[@]}" >/dev/null
        fi
        t=$(($(date +%s%N) - t0))
        cmp -s "$work/T.SFX" "$work/BENCH.SFX" || { echo "$what did not make the modded bank" >&2; exit 1; }
        if [ "$what" = apply ]; then apply_times="$apply_times $t"; else replace_times="$replace_times $t"; fi
    done
done
# best TIMES, middle TIMES: the least and the median, in nanoseconds.
best() { echo "$1" | tr ' ' '\n' | awk 'NF' | sort -n | head -1; }
middle() { echo "$1" | tr ' ' '\n' | awk 'NF' | sort -n | awk '{ t[NR] = $1 } END { print t[int((NR + 1) / 2)] }'; }
awk -v n="$n" -v flac="$flac" -v pack="$pack" -v zipped="$zipped" -v wave="$wave" -v a="$(middle "$apply_times")" \
    -v r="$(middle "$replace_times")" -v ba="$(best "$apply_times")" -v br="$(best "$replace_times")" -v mb="$mb" 'BEGIN {
    printf "A pack of %d sounds (speech, effects, music; %d of them FLAC), 16-bit mono 22050 Hz, %.0f KB as WAVE files.\n", n, flac, wave / 1024
    printf "  the pack                 %8.0f KB\n", pack / 1024
    printf "  zip -9 of the WAVE files %8.0f KB   size ratio pack / zip -9 %.2f (aim < 1)\n", zipped / 1024, pack / zipped
    printf "Into a bank of 325 sounds, %d MB; 9 runs each, taking turns: the median, and the best.\n", mb
    printf "  replace from WAVE files  %8.3f s            best %.3f s\n", r / 1e9, br / 1e9
    printf "  apply of the pack        %8.3f s            best %.3f s\n", a / 1e9, ba / 1e9
    printf "  time ratio apply / replace, of the medians %.2f (aim <= 1.1), of the best %.2f\n", a / r, ba / br
}'
