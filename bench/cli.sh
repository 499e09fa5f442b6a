#!/usr/bin/env bash
# voxbank against cp on the same disk: replace of one sound (with no backup there yet, with the
# backup of the replace before it, and without a backup) and of ten sounds against cp and a flush
# of the copy, extract of every sound against cp alone, the peak memory of a replace, and
# replace --convert of a minute of FLAC against sox's conversion followed by a plain replace, and
# with --match-loudness against without, to a quiet old sound and to a loud one.
# usage: bench/cli.sh [megabytes]   (300 unless told; the build and bank go in $BENCH_BUILD,
# build-bench/ unless told). Each figure is the best of three runs.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/common.sh

ensure_packages
# sox is the conversion's yardstick only: the benchmark installs it, the set-up does not.
PACKAGES="sox libsox-fmt-base" ensure_packages
build=$(build_bench voxbank bench_cli_bank bench_convert)
mb="${1:-300}"
work="$build/cli-bench"
rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
"$build/bench/bench_cli_bank" "$work" "$mb"
bank="$work/BENCH.SFX"
voxbank="$build/src/cli/voxbank"
bytes=$(stat -c %s "$bank")

# best NAME COMMAND...: runs COMMAND after a sync and adds its time in seconds to NAME's list.
# The rounds below take turns, so that a disk whose speed drifts (a virtual disk's burst credit,
# the file system's housekeeping) weighs on every figure alike; each figure is its best round.
declare -A times
# With PREP set, that command runs first, untimed.
# Beside the time, the processor time (user and system, of every thread): what a run costs when
# the machine has no processor to spare for voxbank's second thread.
declare -A cpus
timed() {
    local name=$1 t0 t1 TIMEFORMAT='%3U %3S'
    shift
    [ -n "${PREP:-}" ] && $PREP && sleep 0.3
    sync
    t0=$(date +%s%N)
    { time "$@" >/dev/null 2>&3; } 3>&2 2>"$work/cpu"
    t1=$(date +%s%N)
    times[$name]="${times[$name]:-} $((t1 - t0))"
    cpus[$name]="${cpus[$name]:-} $(awk 'END { printf "%d", ($1 + $2) * 1e9 }' "$work/cpu")"
}
best() {
    echo "${times[$1]}" | tr ' ' '\n' | awk 'NF { if (b == "" || $1 < b) b = $1 } END { printf "%.3f", b / 1e9 }'
}
best_cpu() {
    echo "${cpus[$1]}" | tr ' ' '\n' | awk 'NF { if (b == "" || $1 < b) b = $1 } END { printf "%.3f", b / 1e9 }'
}
# peak COMMAND...: its largest resident set, in MB.
peak() {
    /usr/bin/time -f %M -o "$work/rss" "$@" >/dev/null
    awk '{ printf "%.1f", $1 / 1024 }' "$work/rss"
}
# Every run writes new files: ext4 is slow to hand out the inodes of files just deleted.
n=0
copy() { n=$((n + 1)); cp "$bank" "$work/copy$n.sfx"; }
copy_and_flush() { copy && sync "$work/copy$n.sfx"; }
copy_flush_and_swap() { copy_and_flush && mv "$work/copy$n.sfx" "$bank"; }
extract() { n=$((n + 1)); "$voxbank" extract "$bank" -o "$work/out$n"; }
split_up() { n=$((n + 1)); split -n 325 "$bank" "$work/split$n-"; }
one=(replace "$bank" "3=$work/new0.wav")
no_backup_yet() { rm -f "$bank.bak"; }
ten=(replace "$bank")
for i in $(seq 0 9); do ten+=("$((3 + 32 * i))=$work/new$i.wav"); done

for _ in 1 2 3; do
    timed copy_flush copy_and_flush
    PREP=no_backup_yet timed replace_first "$voxbank" "${one[@]}"
    timed replace_one "$voxbank" "${one[@]}"
    timed replace_nobak "$voxbank" "${one[@]}" --no-backup
    timed copy_swap copy_flush_and_swap
    timed replace_ten "$voxbank" "${ten[@]}"
    timed copy copy
    timed extract extract
    timed split split_up
done
copy_flush=$(best copy_flush)
copy_swap=$(best copy_swap)
replace_one=$(best replace_one)
replace_first=$(best replace_first)
replace_nobak=$(best replace_nobak)
replace_ten=$(best replace_ten)
copy=$(best copy)
extract=$(best extract)
split=$(best split)
base_rss=$(peak "$voxbank" --version)
one_rss=$(peak "$voxbank" "${one[@]}")
ten_rss=$(peak "$voxbank" "${ten[@]}")

awk -v mb="$((bytes / 1000000))" -v cf="$copy_flush" -v cs="$copy_swap" -v r1="$replace_one" -v r10="$replace_ten" -v c="$copy" \
    -v rf="$replace_first" -v rn="$replace_nobak" \
    -v x="$extract" -v sp="$split" -v base="$base_rss" -v m1="$one_rss" -v m10="$ten_rss" 'BEGIN {
    printf "Bank of 325 sounds, %d MB; best of 3 runs each.\n", mb
    printf "The rewrite flushes new.sfx to the disk before the swap, so its baseline is cp and a flush (sync FILE) of the copy.\n"
    printf "  cp + sync of the copy    %6.3f s  %5.0f MB/s\n", cf, mb / cf
    printf "  cp + sync + mv onto bank %6.3f s  %5.0f MB/s  (the swap also deletes the old bank)\n", cs, mb / cs
    printf "  replace 1 sound, no backup there yet\n"
    printf "                           %6.3f s  %5.0f MB/s  throughput ratio to cp + sync %.2f (aim >= 0.95), to cp + sync + mv %.2f\n", rf, mb / rf, cf / rf, cs / rf
    printf "  replace 1 sound, the backup before replaced (and so deleted)\n"
    printf "                           %6.3f s  %5.0f MB/s  throughput ratio to cp + sync %.2f (aim >= 0.95), to cp + sync + mv %.2f\n", r1, mb / r1, cf / r1, cs / r1
    printf "  replace 1 sound, --no-backup (the old bank deleted)\n"
    printf "                           %6.3f s  %5.0f MB/s  throughput ratio to cp + sync %.2f, to cp + sync + mv %.2f\n", rn, mb / rn, cf / rn, cs / rn
    printf "  replace 10 sounds        %6.3f s  %5.0f MB/s  time ratio to 1 sound %.2f (aim <= 1.1)\n", r10, mb / r10, r10 / r1
    printf "Extract does not flush its files, so its baseline is cp alone.\n"
    printf "  cp                       %6.3f s  %5.0f MB/s\n", c, mb / c
    printf "  extract all 325 sounds   %6.3f s  %5.0f MB/s  throughput ratio to cp %.2f (aim >= 0.9)\n", x, mb / x, c / x
    printf "  split into 325 files     %6.3f s  %5.0f MB/s  (the same bytes into as many new files, for scale)\n", sp, mb / sp
    printf "Peak memory (max RSS): voxbank --version %.1f MB; replace 1 sound %.1f MB (+%.1f); replace 10 sounds %.1f MB (+%.1f).\n",
           base, m1, m1 - base, m10, m10 - base
    printf "Bounded by the work buffer (1.0 MB) and the replacements (0.6 MB each, so 1.6 and 7.0 MB) above the program itself.\n"
}'

# A minute of 44100 Hz stereo FLAC into a 22050 Hz mono 8-bit sound: voxbank in one step against
# sox converting to a WAVE file (its high-quality resampler, its dither) and a plain replace of it.
# Then how close each result is to the source, at 8 bits and, where the resampler shows rather
# than the 8-bit steps, at 16.
conv="$work/convert"
mkdir -p "$conv"
"$build/bench/bench_convert" make "$conv"
cp "$conv/BANK.SFX" "$conv/ORIGINAL.SFX"
fresh() { cp "$conv/ORIGINAL.SFX" "$conv/BANK.SFX"; rm -f "$conv/BANK.SFX.bak"; }
# voxbank_convert SOUND, sox_then_replace SOUND BITS
voxbank_convert() { "$voxbank" replace "$conv/BANK.SFX" "$1=$conv/source.flac" --convert; }
sox_then_replace() {
    local encoding=signed-integer
    [ "$2" = 8 ] && encoding=unsigned-integer
    sox "$conv/source.flac" -r 22050 -c 1 -b "$2" -e $encoding "$conv/sox.wav" &&
        "$voxbank" replace "$conv/BANK.SFX" "$1=$conv/sox.wav"
}
# The same with the new sound's loudness matched to the old one's: a minute of a speech-like
# voice (peaks at -3 dBFS, pauses, syllables some 8 dB apart) in place of sound 3, quiet, which
# turns it down with no true peak measured, and of sound 4, loud, where the true peak limits the
# gain and is measured in the blocks that may hold it. Both against replace --convert of the voice.
voxbank_voice() { "$voxbank" replace "$conv/BANK.SFX" "$1=$conv/voice.flac" --convert "${@:2}"; }
for _ in 1 2 3; do
    PREP=fresh timed convert voxbank_convert 1
    PREP=fresh timed sox sox_then_replace 1 8
done
# Figures a tenth or two apart, on a disk and processors others share: more turns.
for _ in $(seq 9); do
    PREP=fresh timed quiet voxbank_voice 3 --match-loudness
    PREP=fresh timed voice voxbank_voice 3
    PREP=fresh timed loud voxbank_voice 4 --match-loudness
done
said_quiet=$(fresh && voxbank_voice 3 --match-loudness | sed 's/.*bytes, [0-9.]* s), //')
said_loud=$(fresh && voxbank_voice 4 --match-loudness | sed 's/.*bytes, [0-9.]* s), //')
snr() { "$build/bench/bench_convert" snr "$conv/BANK.SFX" "$1"; }
fresh && voxbank_convert 1 >/dev/null && voxbank_convert 2 >/dev/null && voxbank8=$(snr 1) && voxbank16=$(snr 2)
fresh && sox_then_replace 1 8 >/dev/null && sox_then_replace 2 16 >/dev/null && sox8=$(snr 1) && sox16=$(snr 2)
awk -v v="$(best convert)" -v s="$(best sox)" -v vc="$(best voice)" -v q="$(best quiet)" -v l="$(best loud)" \
    -v cvc="$(best_cpu voice)" -v cq="$(best_cpu quiet)" -v cl="$(best_cpu loud)" \
    -v sq="$said_quiet" -v sl="$said_loud" -v v8="$voxbank8" -v s8="$sox8" -v v16="$voxbank16" -v s16="$sox16" 'BEGIN {
    printf "A minute of 44100 Hz stereo FLAC into a 22050 Hz mono 8-bit sound; best of 3 runs each.\n"
    printf "  sox to WAVE + replace    %6.3f s\n", s
    printf "  replace --convert        %6.3f s  time ratio to sox + replace %.2f (aim <= 1)\n", v, v / s
    printf "A minute of a speech-like 44100 Hz stereo FLAC into the same format, matched to a quiet and to a\n"
    printf "loud old sound; best of 9 runs each, taking turns; beside each time, the processor time it took.\n"
    printf "  replace --convert        %6.3f s  (processor %.3f s)\n", vc, cvc
    printf "  --match-loudness, the old sound quiet: the gain not limited, no true peak measured\n"
    printf "                           %6.3f s  (processor %.3f s)  time ratio to replace --convert %.2f (aim <= 1.2), processor %.2f\n", q, cq, q / vc, cq / cvc
    printf "                           voxbank: %s\n", sq
    printf "  --match-loudness, the old sound loud: the peak limits the gain, its true peak measured\n"
    printf "                           %6.3f s  (processor %.3f s)  time ratio to replace --convert %.2f (aim <= 1.2), processor %.2f\n", l, cl, l / vc, cl / cvc
    printf "                           voxbank: %s\n", sl
    printf "Closeness to the source (its channels averaged, the tone above 11025 Hz removed), as the\n"
    printf "signal-to-noise ratio of the stored sound with its best gain and lag: the higher the closer.\n"
    printf "                           8-bit      16-bit\n"
    printf "  sox                      %5.1f dB   %5.1f dB\n", s8, s16
    printf "  replace --convert        %5.1f dB   %5.1f dB  (aim >= sox)\n", v8, v16
}'
