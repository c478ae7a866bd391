#!/usr/bin/env bash
# Peak memory of salvenor-batch for 10 and for 1,000,000 rows and for a list with a 300 MB field,
# and calculation sheets per second for 2,000 rows. Usage: bench/batch_memory.sh BUILD_DIR (default
# build/release)
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

# A field of 300 MB between two ordinary rows: an error for its row, memory as for 10 rows.
{
    printf 'Nummer;Anreise;Abreise;Kind;Notiz\nB-1;14.03.2016;18.03.2016;1;kurz\nB-2;14.03.2016;18.03.2016;1;'
    head -c 300000000 /dev/zero | tr '\0' 'x'
    printf '\nB-3;14.03.2016;18.03.2016;1;kurz\n'
} >"$work/long-field.csv"
/usr/bin/time -f '%M %e' -o "$work/time-field" "$build/batch/salvenor-batch" "$work/long-field.csv" \
    >"$work/out-field" 2>"$work/err-field" || [ $? -eq 1 ]
rm "$work/long-field.csv"
read -r kib seconds < <(tail -n 1 "$work/time-field")
echo "300 MB field: peak resident memory $kib KiB, $seconds s ($(tail -n 1 "$work/err-field")), ratio to 10 rows:" \
    "$(awk -v a="$kib" -v b="$small" 'BEGIN { printf "%.3f", a / b }')"
grep -q '^B-3;14.03.2016;18.03.2016;1;kurz;4;' "$work/out-field" || { echo "the row after the long field is missing"; exit 1; }

# Calculation sheets for 2,000 rows: per second of CPU time (user and system), which the load of
# other work on the machine changes little, and per second of wall-clock time.
"$build/bench/batch_bench" --write-list 2000 "$work/list-2000.csv"
/usr/bin/time -f '%U %S %e %M' -o "$work/time-sheets" "$build/batch/salvenor-batch" --sheets "$work/sheets" \
    "$work/list-2000.csv" >/dev/null 2>&1 || [ $? -eq 1 ]
read -r user system seconds kib < <(tail -n 1 "$work/time-sheets")
count=$(find "$work/sheets" -name '*.pdf' | wc -l)
echo "--sheets: $count sheets in $seconds s ($user s user, $system s system), peak resident memory $kib KiB:" \
    "$(awk -v u="$user" -v s="$system" -v n="$count" 'BEGIN { printf "%.0f", n / (u + s) }') sheets per CPU second," \
    "$(awk -v e="$seconds" -v n="$count" 'BEGIN { printf "%.0f", n / e }') per second"
