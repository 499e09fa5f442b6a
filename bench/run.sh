#!/usr/bin/env bash
# Builds Voxmend and prints the rewrite's throughput next to a plain copy, and its peak memory.
# usage: bench/run.sh [megabytes]   (the bank is made in build/bench, on the build's disk)
# As root it also times both from an empty file cache.
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
bench keep
if [ "$(id -u)" = 0 ] && sync && echo 3 > /proc/sys/vm/drop_caches 2>/dev/null; then
    for _ in 1 2; do
        sync; echo 3 > /proc/sys/vm/drop_caches; bench cold-copy
        sync; echo 3 > /proc/sys/vm/drop_caches; bench cold-rewrite
    done | awk -v mb="$mb" '
        { if (!($1 in best) || $2 < best[$1]) best[$1] = $2 }
        END {
            c = best["cold-copy"]; r = best["cold-rewrite"]
            printf "cold cache, plain copy:       %.2f s  %5.0f MB/s\n", c, mb / c
            printf "cold cache, rewrite shown:    %.2f s  %5.0f MB/s  ratio to the copy %.2f\n", r, mb / r, c / r
        }'
fi
rm -f build/bench/BENCH.SFX build/bench/BENCH.txt build/bench/bench.wav
wineserver -k 2>/dev/null || true
