#!/usr/bin/env bash
# Builds Voxmend and prints the rewrite's throughput next to a plain copy, and its peak memory.
# usage: bench/run.sh [megabytes]   (the bank is made in build/bench, on the build's disk)
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/common.sh

ensure_packages
build_all
start_display
trap stop_display EXIT
make_prefix "$PWD/build/wine/prefix" "$PWD/build/wine/home"
mkdir -p build/bench
wine build/bench/bench_replace.exe "$(winepath -w build/bench)" "${1:-300}"
wineserver -k 2>/dev/null || true
