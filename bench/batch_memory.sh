#!/usr/bin/env bash
# Peak memory of salvenor-batch for 10 and for 1,000,000 rows, and calculation sheets per second
# for 1,000 rows. Usage: bench/batch_memory.sh BUILD_DIR (default build/release)
set -euo pipefail
build=${1:-build/release}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for rows in 10 1000000; do
    "$build/bench/batch_bench" --write-list "$rows" "$work/list-$rows.csv"
    /usr/bin/time -f '%M %e' -o "$work/time-$rows" "$build/batch/salvenor-batch" "$work/list-$rows.csv" \
        >/dev/null 2>"$work/err-$rows" || [ $? -eq 1 ]
    read -r kib seconds < <(tail -n 1 "$work/time-$rows")
    echo "$rows rows: peak resident memory $kib KiB, $seconds s ($(tail -n 1 "$work/err-$rows"))"
done
read -r small _ < <(tail -n 1 "$work/time-10")
read -r large _ < <(tail -n 1 "$work/time-1000000")
echo "ratio 1,000,000 rows / 10 rows: $(awk -v a="$large" -v b="$small" 'BEGIN { printf "%.3f", a / b }')"

"$build/bench/batch_bench" --write-list 1000 "$work/list-1000.csv"
start=$(date +%s.%N)
"$build/batch/salvenor-batch" --sheets "$work/sheets" "$work/list-1000.csv" >/dev/null 2>&1 || [ $? -eq 1 ]
end=$(date +%s.%N)
count=$(find "$work/sheets" -name '*.pdf' | wc -l)
echo "--sheets: $count sheets in $(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.2f", e - s }') s," \
    "$(awk -v s="$start" -v e="$end" -v n="$count" 'BEGIN { printf "%.0f", n / (e - s) }') sheets per second"
