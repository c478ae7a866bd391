#!/usr/bin/env bash
# Prints three copies of the sheet through the real spooler: starts CUPS with a PDF printer
# (cups-pdf), prints without the dialog, and checks that three one-page documents arrive with
# the sheet's texts. Usage: cups_print_test.sh PRINT_SHEET_PROGRAM
set -euo pipefail
program=$1
source "$(dirname "$0")/common.sh"
if [ "$(id -u)" -ne 0 ]; then
    echo "skipped: starting the spooler needs root"
    exit 77
fi
printer=SalvenorTestPDF
work=$(mktemp -d)
cupsd_pid=
cleanup() {
    lpadmin -x "$printer" 2>/dev/null || true
    [ -n "$cupsd_pid" ] && kill "$cupsd_pid" 2>/dev/null && wait "$cupsd_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

start_spooler "$work" || fail "the spooler did not start"

lpadmin -p "$printer" -v cups-pdf:/ -E -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd -o pdftops-renderer-default=pdftops \
    2> >(grep -v 'drivers are deprecated' >&2)
home=$(getent passwd "$(id -un)" | cut -d: -f6)
outputs=("$home/PDF" /var/spool/cups-pdf/ANONYMOUS "/var/spool/cups-pdf/$(id -un)")
touch "$work/start"
sleep 1 # file times have one-second steps

QT_QPA_PLATFORM=offscreen "$program" --printer "$printer" --copies 3 || fail "printing failed ($?)"

documents=()
for _ in $(seq 120); do
    mapfile -t documents < <(find "${outputs[@]}" -name '*.pdf' -newer "$work/start" 2>/dev/null | sort)
    [ ${#documents[@]} -ge 3 ] && [ -z "$(lpstat -o "$printer" 2>/dev/null)" ] && break
    sleep 0.5
done
[ ${#documents[@]} -eq 3 ] || fail "expected 3 documents, got ${#documents[@]}: ${documents[*]}"
for document in "${documents[@]}"; do
    pages=$(pdfinfo "$document" | awk '/^Pages:/ { print $2 }')
    [ "$pages" = 1 ] || fail "$document has $pages pages"
    # The spooler's PostScript step drops the fonts' Unicode tables, so pdftotext cannot read the
    # words back; the page is read as a person would, by OCR.
    pdftoppm -r 300 -gray -png -singlefile "$document" "$work/page"
    text=$(tesseract "$work/page.png" - -l deu 2>/dev/null)
    for expected in "Nordseeinsel Quarnum" "Kurbeitragsberechnung" "Anreisetag = Mo. 14.03.2016" \
        "zu zahlender Kurbeitrag = 18,40 €" "Service-Telefon"; do
        grep -qF "$expected" <<<"$text" || fail "$document lacks \"$expected\""
    done
    rm -f "$document"
done
echo "three one-page documents arrived"
echo "1 passed, 0 failed"
