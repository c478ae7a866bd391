#!/usr/bin/env bash
# Starts the program under Xvfb and saves a screenshot of its main window: tools/screenshot.sh OUT.png [BINARY]
set -euo pipefail
out=${1:-docs/main-window.png}
binary=${2:-build/release/app/salvenor}
work=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 900x650x24 -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
program=
trap 'kill $program "$xvfb" 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 400); do [ -s "$work/display" ] && break; sleep 0.05; done
display=:$(head -n 1 "$work/display")

DISPLAY=$display QT_QPA_PLATFORM=xcb "$binary" >/dev/null 2>&1 &
program=$!
window=
for _ in $(seq 100); do
    window=$(DISPLAY=$display xdotool search --onlyvisible --name '^Salvenor 2016  - ' 2>/dev/null | head -n 1) && [ -n "$window" ] && break
    sleep 0.1
done
# Close a splash window, if one shows, with a key press.
DISPLAY=$display xdotool key x >/dev/null 2>&1 || true
sleep "${SCREENSHOT_DELAY:-1.5}"
mkdir -p "$(dirname "$out")"
DISPLAY=$display import -window "${window:-root}" "$out"
echo "saved $out"
