#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in a build tree of their own, replays the kept
# regression inputs, then fuzzes each target for a fixed time: tools/fuzz.sh [SECONDS]
# A crash is saved under fuzz/regressions/<target>/; commit it so that every later run replays it.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-25}

# The build is the preset "fuzz" of CMakePresets.json.
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

for target in money operations two_decimals per_night booking_list; do
    binary=build/fuzz/fuzz/${target}_fuzzer
    regressions=fuzz/regressions/$target
    mapfile -t kept < <(find "$regressions" -type f ! -name '.gitkeep' 2>/dev/null)
    if [ ${#kept[@]} -gt 0 ]; then
        "$binary" "${kept[@]}" >/dev/null 2>&1 || { echo "FAIL: $target regression input"; "$binary" "${kept[@]}"; exit 1; }
    fi
    corpus=$(mktemp -d)
    if ! "$binary" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$regressions/" \
        "$corpus" "fuzz/seeds/$target" >"build/fuzz/$target.log" 2>&1; then
        tail -n 40 "build/fuzz/$target.log"
        echo "FAIL: $target fuzzer found a crash, saved in $regressions/"
        rm -rf "$corpus"
        exit 1
    fi
    echo "$target: $(grep -E 'stat::number_of_executed_units' "build/fuzz/$target.log" | awk '{print $2}') runs, no crash"
    rm -rf "$corpus"
done
echo "5 passed, 0 failed"
