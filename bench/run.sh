#!/usr/bin/env bash
# Builds Voxmend and prints the window's rewrite throughput next to a plain copy, where its time
# goes and its peak memory, and its Replace of a FLAC file against converting it first; then
# voxbank's own figures against cp (bench/cli.sh).
# usage: bench/run.sh [megabytes]   (the bank is made in build/bench, on the build's disk)
# As root it also times the copy and the rewrite from an empty file cache.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/common.sh

ensure_packages
build_all
start_display
trap stop_display EXIT
make_prefix "$PWD/build/wine/prefix" "$PWD/build/wine/home"
mb="${1:-300}"
mkdir -p build/bench
where="$(winepath -w build/bench)"
bench() { wine build/bench/bench_replace.exe "$where" "$mb" "$@"; }
echo "== The window's rewrite under Wine"
bench keep
if [ "$(id -u)" = 0 ] && sync && echo 3 > /proc/sys/vm/drop_caches 2>/dev/null; then
    for _ in 1 2 3 4 5; do
        for mode in cold-copy cold-first cold-rewrite cold-engine; do
            # a bank's first replace finds no backup to replace
            [ "$mode" = cold-first ] && rm -f build/bench/BENCH.SFX.bak && sleep 0.3
            sync; echo 3 > /proc/sys/vm/drop_caches
            bench "${mode/cold-first/cold-rewrite}" | sed "s/^cold-rewrite/$mode/"
        done
    done | awk -v mb="$mb" '
        { if (!($1 in best) || $2 < best[$1]) { best[$1] = $2; line[$1] = $0 } }
        END {
            c = best["cold-copy"]; f = best["cold-first"]; r = best["cold-rewrite"]; e = line["cold-engine"]
            printf "cold cache, plain copy:         %.2f s  %5.0f MB/s\n", c, mb / c
            printf "cold cache, rewrite shown, no backup there yet:\n"
            printf "                                %.2f s  %5.0f MB/s  ratio to the copy %.2f\n", f, mb / f, c / f
            printf "cold cache, rewrite shown, the backup before replaced:\n"
            printf "                                %.2f s  %5.0f MB/s  ratio to the copy %.2f\n", r, mb / r, c / r
            sub(/^cold-engine [0-9.]+ \| /, "", e)
            printf "cold cache, the engine alone:   %s\n", e
        }'
fi
if [ -e build/bench/libsndfile-1.dll ]; then
    echo "== A minute of FLAC replaced through the window, against converting it first (a bank of 20 MB)"
    wine build/bench/bench_replace.exe "$where" 20 convert
fi
rm -f build/bench/BENCH.SFX build/bench/BENCH.SFX.bak build/bench/BENCH.txt build/bench/bench.wav
wineserver -k 2>/dev/null || true
if [ -x bench/cli.sh ]; then
    echo "== voxbank, native"
    bench/cli.sh "$mb"
fi
