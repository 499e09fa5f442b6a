#!/usr/bin/env bash
# Fuzzes the engine: builds its libFuzzer targets with clang in build-fuzz/, seeds them with the
# inputs in fuzz/regressions/ and runs each for the given seconds (default 20), one process at a time.
# Fails when a target finds a crash; the input is left in build-fuzz/crashes/<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-20}"
out=build-fuzz
targets="fuzz_bank fuzz_index fuzz_wave fuzz_rewrite fuzz_pack"

CC=clang CXX=clang++ cmake -S . -B "$out" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVOXMEND_FUZZ=ON >/dev/null
# shellcheck disable=SC2086
cmake --build "$out" -j2 --target $targets >/dev/null

total=0
failed=""
for t in $targets; do
    mkdir -p "$out/corpus/$t" "$out/crashes/$t"
    log="$out/$t.log"
    if ! "$out/fuzz/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 -print_final_stats=1 \
        -artifact_prefix="$out/crashes/$t/" "$out/corpus/$t" "fuzz/regressions/$t" >"$log" 2>&1; then
        failed="$failed $t"
        grep -E 'ERROR|SUMMARY|Test unit written' "$log" >&2 || tail -n 20 "$log" >&2
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *\([0-9]*\).*/\1/p' "$log" | tail -n 1)
    [ -n "$runs" ] || runs=$(sed -n 's/^#\([0-9]*\).*DONE.*/\1/p' "$log" | tail -n 1)
    runs="${runs:-0}"
    printf '%-14s %12s executions in %ss\n' "$t" "$runs" "$seconds"
    total=$((total + runs))
done
printf '%-14s %12s executions\n' total "$total"
if [ -n "$failed" ]; then
    echo "Crashes found by:$failed (inputs in $out/crashes/)" >&2
    exit 1
fi
