#!/usr/bin/env bash
# Renders the printed sheet of the typical request to PNG: tools/render-sheet.sh OUT.png [BUILD]
set -euo pipefail
out=${1:-docs/sheet.png}
build=${2:-build/release}
pdf=$(mktemp --suffix=.pdf)
trap 'rm -f "$pdf"' EXIT
QT_QPA_PLATFORM=offscreen "$build/tests/print_sheet" --pdf "$pdf"
mkdir -p "$(dirname "$out")"
pdftoppm -png -r 80 -singlefile "$pdf" "${out%.png}"
echo "saved $out"
