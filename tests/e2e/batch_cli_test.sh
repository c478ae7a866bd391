#!/usr/bin/env bash
# salvenor-batch as a user runs it: exit statuses, standard input and output, messages, the help,
# the man page, and the calculation sheets as PDF files read back with pdftotext. No display.
# Usage: batch_cli_test.sh SALVENOR_BATCH
set -uo pipefail
batch=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset DISPLAY WAYLAND_DISPLAY
failures=0

check() { # description, then a command that must succeed
    local what=$1
    shift
    if "$@"; then
        echo "ok: $what"
    else
        echo "FAILED: $what"
        failures=$((failures + 1))
    fi
}

status_of() { # exit status of salvenor-batch with the given arguments, standard input from $input
    "$batch" "$@" <"$input" >"$work/out.csv" 2>"$work/err.txt"
    echo $?
}

printf 'Nummer;Anreise;Abreise;Erwachsene;Kind\nB-1;14.03.2016;18.03.2016;2;1\nB-2;01.07.2016;30.07.2016;4;\n' >"$work/good.csv"
printf 'Anreise;Abreise;Kind\n14.03.2016;31.02.2016;1\n14.03.2016;18.03.2016;1\n' >"$work/bad.csv"
printf 'Anreise;Abreise\n14.03.2016;18.03.2016\n14.03.2016;"18.03.2016\n' >"$work/truncated.csv"
printf 'Anreise;Abreise\r\n' >"$work/header.csv"
: >"$work/empty.csv"
printf 'Nummer;Anreise;Kind\n1;14.03.2016;1\n' >"$work/no-departure.csv"

input=$work/good.csv
check "every row calculated: status 0" test "$(status_of)" = 0
check "results on standard output" grep -q '^B-1;14.03.2016;18.03.2016;2;1;4;18,40;0,00;0,00;1,60;0,00;0,00;20,00;$' "$work/out.csv"
check "summary on standard error" grep -q '2 Zeilen, davon 0 mit Fehlern; Summe aller Beträge: 412,00 €' "$work/err.txt"
check "no progress line when standard error is no terminal" test "$(grep -c $'\r' "$work/err.txt")" = 0
check "\"-\" reads standard input" test "$(status_of -)" = 0
check "-o writes the file" test "$(status_of "$work/good.csv" -o "$work/written.csv")" = 0
check "-o file equals standard output" cmp -s "$work/written.csv" <("$batch" "$work/good.csv" 2>/dev/null)

input=$work/bad.csv
check "a row with an error: status 1" test "$(status_of)" = 1
check "the error names column and value" grep -q ';Abreise 31.02.2016 ist kein Kalendertag$' "$work/out.csv"
check "the other row is still calculated" grep -q '^14.03.2016;18.03.2016;1;4;0,00;0,00;0,00;1,60;0,00;0,00;1,60;$' "$work/out.csv"

input=$work/truncated.csv
check "input ending inside quotes: status 1" test "$(status_of)" = 1
check "and it is reported" grep -q 'endet in Zeile 2 mitten in einem Feld in Anführungszeichen' "$work/err.txt"

input=$work/header.csv
check "header only: status 0" test "$(status_of)" = 0
check "header only: header with the new columns, CRLF kept" \
    grep -q $'^Anreise;Abreise;Nächte;.*;Gesamt;Fehler\r$' "$work/out.csv"

input=$work/empty.csv
check "empty input: status 2" test "$(status_of)" = 2
check "empty input: the reason" grep -q 'Die Eingabe ist leer' "$work/err.txt"
input=$work/no-departure.csv
check "no departure column: status 2" test "$(status_of)" = 2
check "no departure column: the reason" grep -q 'keine Spalte „Abreise“' "$work/err.txt"
input=/dev/null
check "unreadable file: status 2" test "$(status_of "$work/missing.csv")" = 2
check "unreadable file: the reason" grep -q 'kann nicht gelesen werden' "$work/err.txt"
check "unwritable output: status 2" test "$(status_of "$work/good.csv" -o "$work/no/such/folder.csv")" = 2
check "unknown option: status 2" test "$(status_of --frobnicate)" = 2
check "a separator of two characters: status 2" test "$(status_of --separator ';;')" = 2

"$batch" --help >"$work/help.txt" 2>&1
check "--help in German" grep -q '^Aufruf: ' "$work/help.txt"
check "--help names --sheets" grep -q -- '--sheets ORDNER' "$work/help.txt"
check "the man page renders without warnings" \
    test -z "$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$here/../../batch/salvenor-batch.1" 2>&1 >/dev/null)"

# The golden Windows-1252 list through the program, with a comma as separator.
check "Windows-1252 golden file through the program" \
    cmp -s <("$batch" --separator , "$here/../batch/bookings-windows1252.csv" 2>/dev/null) \
    "$here/../batch/bookings-windows1252.expected.csv"

# Calculation sheets, without a display.
input=$work/bad.csv
check "--sheets: status as without" test "$(status_of --sheets "$work/sheets")" = 1
check "--sheets: only the calculated row has a sheet" test "$(ls "$work/sheets")" = "2.pdf"
input=$work/good.csv
check "--sheets into an existing folder" test "$(status_of --sheets "$work/sheets")" = 0
check "--sheets: one page" grep -q '^Pages: *1$' <(pdfinfo "$work/sheets/1.pdf")
pdftotext -layout "$work/sheets/1.pdf" "$work/sheet1.txt"
check "sheet: the stay" grep -q 'Anreisetag = Mo. 14.03.2016 Abreisetag = Fr. 18.03.2016' "$work/sheet1.txt"
check "sheet: the adults' line" grep -Eq '2 Erwachsene\(r\) +x 4 Nächte +x 2,30 € += *18,40 €' "$work/sheet1.txt"
check "sheet: the children's line" grep -Eq '1 Kind\(er\) ab 12 J\. +x 4 Nächte +x 0,40 € += *1,60 €' "$work/sheet1.txt"
check "sheet: the total" grep -Eq 'zu zahlender Kurbeitrag += *20,00 €' "$work/sheet1.txt"
check "sheet: dated today" grep -q "$(date +%d.%m.%Y)" "$work/sheet1.txt"
input=$work/good.csv
check "--sheets into a file that is no folder: status 2" test "$(status_of --sheets "$work/good.csv")" = 2

echo "$failures failed"
[ "$failures" -eq 0 ]
